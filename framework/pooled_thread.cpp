#include "framework/pooled_thread.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace larkspur {

namespace {

class Pool {
public:
    static Pool& instance() {
        static Pool pool;
        return pool;
    }

    ~Pool() {
        {
            std::lock_guard lock(mutex_);
            quitting_ = true;
        }
        work_.notify_all();
        for (std::thread& thread : threads_)
            thread.join();
    }

    void run(std::shared_ptr<PooledThread::Run> run) {
        std::lock_guard lock(mutex_);
        waiting_.push_back(std::move(run));
        if (idle_ >= waiting_.size())
            work_.notify_one();
        else
            threads_.emplace_back([this] { serve(); });
    }

private:
    Pool() = default;

    void serve() {
        std::shared_ptr<PooledThread::Run> run;
        std::unique_lock lock(mutex_);
        for (;;) {
            ++idle_;
            if (run) { // counted idle first: a body started after the join finds this thread
                run->done.store(true);
                run->done.notify_all();
                run.reset();
            }
            work_.wait(lock, [this] { return !waiting_.empty() || quitting_; });
            --idle_;
            if (waiting_.empty())
                return; // the process ends
            run = std::move(waiting_.front());
            waiting_.pop_front();
            lock.unlock();
            run->body();
            run->body = nullptr; // what it holds goes with it, not with the next body
            lock.lock();
        }
    }

    std::mutex mutex_;
    std::condition_variable work_;
    std::deque<std::shared_ptr<PooledThread::Run>> waiting_;
    std::vector<std::thread> threads_;
    std::size_t idle_ = 0;
    bool quitting_ = false;
};

} // namespace

void PooledThread::start(std::function<void()> body) {
    run_ = std::make_shared<Run>();
    run_->body = std::move(body);
    Pool::instance().run(run_);
}

void PooledThread::join() {
    while (!run_->done.load())
        run_->done.wait(false);
    run_.reset();
}

} // namespace larkspur
