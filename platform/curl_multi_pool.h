#pragma once

#include <curl/curl.h>
#include <mutex>
#include <vector>

namespace larkspur::platform {

// libcurl multi handles kept from one transfer to the next, so that a transfer finds the
// connections that the transfers before it left open (keep-alive) and sets up nothing of
// its own. A handle serves one transfer at a time; any thread may take and give back.
class CurlMultiPool {
public:
    CurlMultiPool() = default;
    ~CurlMultiPool();
    CurlMultiPool(const CurlMultiPool&) = delete;
    CurlMultiPool& operator=(const CurlMultiPool&) = delete;

    // An idle handle, or a new one.
    CURLM* take();
    // `multi` must have no transfer left on it.
    void giveBack(CURLM* multi);

private:
    // Enough for the one transfer at a time of a window, and one overlapping it.
    static constexpr std::size_t MostIdle = 2;

    std::mutex mutex_;
    std::vector<CURLM*> idle_;
};

} // namespace larkspur::platform
