#pragma once

#include <atomic>
#include <functional>
#include <memory>

namespace larkspur {

// A body run on a system thread that is kept for later bodies once it is done: a queue of
// small files runs a body per file, and starting and ending a system thread costs more
// than the transfer of a small file. Kept threads wait for work until the process ends.
class PooledThread {
public:
    PooledThread() = default;
    PooledThread(const PooledThread&) = delete;
    PooledThread& operator=(const PooledThread&) = delete;

    void start(std::function<void()> body);
    bool joinable() const { return run_ != nullptr; }
    // Waits until the body has returned.
    void join();

    struct Run {
        std::function<void()> body;
        std::atomic<bool> done{false};
    };

private:
    std::shared_ptr<Run> run_;
};

} // namespace larkspur
