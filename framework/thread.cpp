#include "framework/thread.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>
#include <chrono>
#include <unordered_set>

#include "framework/event_wake.h"
#include "framework/guard.h"

namespace larkspur {

namespace {

const QEvent::Type CallEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

// Threads whose body runs or whose finish is still to come; GUI thread only.
std::unordered_set<Thread*>& liveThreads() {
    static std::unordered_set<Thread*> threads;
    return threads;
}

bool exitRoutineAdded = false;

} // namespace

Thread::~Thread() {
    if (thread_.joinable() && !ended_) {
        // The owner forgot to stop and wait: do it now, so that the process survives.
        // The object is half gone, so its end must not reach anyone.
        OnTerminate = nullptr;
        terminate();
        waitFor();
    }
    liveThreads().erase(this);
}

void Thread::start() {
    liveThreads().insert(this);
    if (!exitRoutineAdded) {
        qAddPostRoutine(&Thread::stopAllAtExit);
        exitRoutineAdded = true;
    }
    thread_ = std::thread([this] { run(); });
}

void Thread::terminate() {
    terminated_.store(true);
    stopRequested();
}

void Thread::waitFor() {
    while (thread_.joinable() && !ended_)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    wakeEventLoop(); // so that an enclosing loop looks at its own state again
}

void Thread::synchronize(const std::function<void()>& method) {
    if (QThread::currentThread() == thread()) {
        method();
        return;
    }
    call_ = &method;
    callFailure_ = nullptr;
    callState_.store(CallPending);
    QCoreApplication::postEvent(this, new QEvent(CallEvent));
    for (int state = callState_.load(); state != CallDone; state = callState_.load())
        callState_.wait(state);
    callState_.store(NoCall);
    if (callFailure_)
        std::rethrow_exception(callFailure_);
}

bool Thread::event(QEvent* e) {
    if (e->type() != CallEvent)
        return QObject::event(e);
    serveCall();
    return true;
}

bool Thread::serveCall() {
    int pending = CallPending;
    if (!callState_.compare_exchange_strong(pending, CallRunning))
        return false; // none, or already served
    try {
        (*call_)();
    } catch (...) {
        callFailure_ = std::current_exception();
    }
    callState_.store(CallDone);
    callState_.notify_one();
    return true;
}

void Thread::run() {
    if (!terminated()) {
        try {
            execute();
        } catch (...) {
            // The body reports through its own fields; nothing more to say here.
        }
    }
    bodyEnded_ = true;
    // The application object, not this one, carries the call: the call may delete this.
    // Without one (the program is ending) the exit routine finishes the thread.
    if (QCoreApplication* application = QCoreApplication::instance())
        QMetaObject::invokeMethod(
            application, [this] { finishLive(this); }, Qt::QueuedConnection);
}

// The pointer is only looked up, never followed, until it is known to be live: the exit
// routine may have finished and freed the thread before its queued finish arrives.
void Thread::finishLive(Thread* thread) {
    if (liveThreads().count(thread))
        thread->finishOnGuiThread();
}

void Thread::finishOnGuiThread() {
    thread_.join();
    ended_ = true;
    liveThreads().erase(this);
    if (const TNotifyEvent handler = OnTerminate)
        guarded([&] { handler(this); });
    wakeEventLoop(); // a loop waiting for this end must see it
    if (FreeOnTerminate)
        delete this;
}

void Thread::stopAndFinish() {
    terminate();
    while (!bodyEnded_) {
        if (!serveCall())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    finishOnGuiThread();
}

// The application object is going away: no body may outlive it, since its calls and its
// finish go through it.
void Thread::stopAllAtExit() {
    exitRoutineAdded = false;
    while (!liveThreads().empty())
        (*liveThreads().begin())->stopAndFinish();
}

} // namespace larkspur
