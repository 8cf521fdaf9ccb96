#include "framework/thread.h"

#include <QCoreApplication>
#include <QThread>
#include <exception>

#include "framework/event_wake.h"
#include "framework/guard.h"

namespace larkspur {

Thread::~Thread() {
    if (thread_.joinable() && !ended_) {
        // The owner forgot to stop and wait: do it now, so that the process survives.
        // The object is half gone, so its end must not reach anyone.
        OnTerminate = nullptr;
        terminate();
        waitFor();
    }
}

void Thread::start() {
    thread_ = std::thread([this] { run(); });
}

void Thread::waitFor() {
    while (thread_.joinable() && !ended_)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    wakeEventLoop(); // so that an enclosing loop looks at its own state again
}

void Thread::synchronize(const std::function<void()>& method) {
    if (QThread::currentThread() == QCoreApplication::instance()->thread()) {
        method();
        return;
    }
    std::exception_ptr failure;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [&] {
            try {
                method();
            } catch (...) {
                failure = std::current_exception();
            }
        },
        Qt::BlockingQueuedConnection);
    if (failure)
        std::rethrow_exception(failure);
}

void Thread::run() {
    if (!terminated()) {
        try {
            execute();
        } catch (...) {
            // The body reports through its own fields; nothing more to say here.
        }
    }
    // The application object, not this one, carries the call: the call may delete this.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [this] { finishOnGuiThread(); }, Qt::QueuedConnection);
}

void Thread::finishOnGuiThread() {
    thread_.join();
    ended_ = true;
    if (const TNotifyEvent handler = OnTerminate)
        guarded([&] { handler(this); });
    wakeEventLoop(); // a loop waiting for this end must see it
    if (FreeOnTerminate)
        delete this;
}

} // namespace larkspur
