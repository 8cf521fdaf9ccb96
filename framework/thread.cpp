#include "framework/thread.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>
#include <thread>
#include <unordered_set>
#include <utility>

#include "framework/event_wake.h"
#include "framework/futex.h"
#include "framework/guard.h"
#include "framework/round_trip_log.h"

namespace larkspur {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// A body whose calls come at least this often has the GUI thread wait for them at the
// slot; one whose calls come more seldom sends each through the event loop.
constexpr std::chrono::nanoseconds OftenEnough = 2ms;
// The longest the GUI thread serves calls before its event loop runs again, so that
// painting, timers and clicks go on during a fast transfer.
constexpr auto ServingSlice = 10ms;

const QEvent::Type CallEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

// Threads whose body runs or whose finish is still to come; GUI thread only.
std::unordered_set<Thread*>& liveThreads() {
    static std::unordered_set<Thread*> threads;
    return threads;
}

bool exitRoutineAdded = false;
std::atomic<RoundTripLog*> roundTripLog{nullptr};

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
    thread_.start([this] { run(); });
}

void Thread::terminate() {
    terminated_.store(true);
    stopRequested();
}

void Thread::waitFor() {
    while (thread_.joinable() && !ended_)
        waitStep();
    wakeEventLoop(); // so that an enclosing loop looks at its own state again
}

void Thread::waitStep() {
    const bool busy = serveCallsForASlice();
    // Nothing of this object may be used from here on: the event loop may free it.
    QCoreApplication::processEvents(busy ? QEventLoop::AllEvents : QEventLoop::WaitForMoreEvents);
}

void Thread::setRoundTripLog(RoundTripLog* log) {
    roundTripLog = log;
}

void Thread::synchronize(const std::function<void()>& method) {
    if (QThread::currentThread() == thread()) {
        method();
        return;
    }
    RoundTripLog* const log = roundTripLog.load(std::memory_order_relaxed);
    const Clock::time_point begun = log ? Clock::now() : Clock::time_point();
    noteCallPeriod();
    call_ = &method;
    callFailure_ = nullptr;
    awaitCall(publishCall());
    callState_.store(NoCall);
    if (log)
        log->add(Clock::now() - begun);
    if (callFailure_)
        std::rethrow_exception(callFailure_);
}

bool Thread::publishCall() {
    callState_.store(CallPending);
    if (!guiWatching_.load()) {
        QCoreApplication::postEvent(this, new QEvent(CallEvent));
        return false;
    }
    ringGui();
    return true;
}

void Thread::awaitCall(bool mayPayToSpin) {
    const auto done = [this] { return callState_.load() == CallDone; };
    if (mayPayToSpin && bodySpin_.spinUntil(done))
        return;
    bodySleeping_.store(true);
    for (int state = callState_.load(); state != CallDone; state = callState_.load())
        futexWait(callState_, state);
    bodySleeping_.store(false);
}

// A moving average that takes one eighth of each new span. While the GUI thread watches the
// slot the clock is read every few calls only: a read costs a good part of a fast call.
void Thread::noteCallPeriod() {
    ++callsSinceLook_;
    if (guiWatching_.load(std::memory_order_relaxed) && callsSinceLook_ < CallsPerLook)
        return;
    const Clock::time_point now = Clock::now();
    const Clock::time_point previous = std::exchange(lastCall_, now);
    const std::int64_t calls = std::exchange(callsSinceLook_, 0);
    if (previous == Clock::time_point())
        return;
    const std::int64_t period = (now - previous).count() / calls;
    const std::int64_t average = callPeriod_.load(std::memory_order_relaxed);
    callPeriod_.store(average - average / 8 + period / 8, std::memory_order_relaxed);
}

// A GUI thread that does not sleep needs no bell: it looks at the slot and at the end
// before it goes to sleep, and either that look or this one sees the other side's store.
void Thread::ringGui() {
    if (!guiSleeping_.load())
        return;
    guiBell_.fetch_add(1);
    futexWake(guiBell_);
}

bool Thread::event(QEvent* e) {
    if (e->type() != CallEvent)
        return QObject::event(e);
    if (serveCall())
        wakeEventLoop(); // the waiting loop takes over again, to take the next from the slot
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
    if (bodySleeping_.load())
        futexWake(callState_);
    return true;
}

bool Thread::callPendingOrEnded() const {
    return callState_.load() == CallPending || bodyEnded_.load();
}

bool Thread::serveCallsForASlice() {
    bool served = serveCall(); // one that came while the event loop ran
    if (std::chrono::nanoseconds(callPeriod_.load(std::memory_order_relaxed)) > OftenEnough)
        return false;
    guiWatching_.store(true);
    const Clock::time_point sliceEnd = Clock::now() + ServingSlice;
    // The clock is read every few turns only: a read costs a good part of a call.
    for (unsigned turn = 0; !bodyEnded_.load() && (turn % 8 != 0 || Clock::now() < sliceEnd);
         ++turn) {
        if (serveCall()) {
            served = true;
            continue;
        }
        const int bell = guiBell_.load();
        if (guiSpin_.spinUntil([this] { return callPendingOrEnded(); }))
            continue;
        guiSleeping_.store(true);
        if (!callPendingOrEnded())
            futexWait(guiBell_, bell, sliceEnd - Clock::now());
        guiSleeping_.store(false);
    }
    guiWatching_.store(false);
    served = serveCall() || served; // published before the body saw that nobody watches
    return served && !bodyEnded_.load();
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
    ringGui();
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
