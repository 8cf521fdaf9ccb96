#include "platform/curl_multi_pool.h"

namespace larkspur::platform {

CurlMultiPool::~CurlMultiPool() {
    for (CURLM* multi : idle_)
        curl_multi_cleanup(multi);
}

CURLM* CurlMultiPool::take() {
    {
        const std::lock_guard lock(mutex_);
        if (!idle_.empty()) {
            CURLM* multi = idle_.back();
            idle_.pop_back();
            return multi;
        }
    }
    return curl_multi_init();
}

void CurlMultiPool::giveBack(CURLM* multi) {
    {
        const std::lock_guard lock(mutex_);
        if (idle_.size() < MostIdle) {
            idle_.push_back(multi);
            return;
        }
    }
    curl_multi_cleanup(multi);
}

} // namespace larkspur::platform
