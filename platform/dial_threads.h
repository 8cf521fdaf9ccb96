#pragma once

#include <atomic>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>

namespace larkspur::platform {

// The threads on which a dial-up service reports. Each task gets a stop token that
// is raised when the owner goes; the owner's destruction waits for every task.
// Finished threads are joined as new ones start, so a night of redials keeps none.
class DialThreads {
public:
    DialThreads() = default;
    DialThreads(const DialThreads&) = delete;
    DialThreads& operator=(const DialThreads&) = delete;
    ~DialThreads();

    void start(std::function<void(std::stop_token)> task);

private:
    struct Running {
        std::jthread thread;
        std::shared_ptr<std::atomic<bool>> finished;
    };
    void joinFinished();

    std::mutex mutex_;
    std::list<Running> running_;
};

} // namespace larkspur::platform
