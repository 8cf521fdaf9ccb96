#include "platform/dial_threads.h"

#include <atomic>

namespace larkspur::platform {

DialThreads::~DialThreads() {
    std::list<Running> all;
    {
        std::lock_guard lock(mutex_);
        all.swap(running_);
    }
    for (Running& entry : all)
        entry.thread.request_stop();
    // The jthreads join as the list goes.
}

void DialThreads::start(std::function<void(std::stop_token)> task) {
    std::lock_guard lock(mutex_);
    joinFinished();
    auto finished = std::make_shared<std::atomic<bool>>(false);
    running_.push_back(
        Running{std::jthread([task = std::move(task), finished](std::stop_token stop) {
                    task(stop);
                    finished->store(true);
                }),
                finished});
}

void DialThreads::joinFinished() {
    running_.remove_if([](const Running& entry) { return entry.finished->load(); });
}

} // namespace larkspur::platform
