#pragma once

#include <QObject>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>

#include "framework/events.h"
#include "framework/pooled_thread.h"
#include "framework/spin_budget.h"

namespace larkspur {

class RoundTripLog;

// A worker thread in the program's style: the owner asks it to stop through an atomic
// flag that the body polls, it can free itself once it has ended, its finish
// notification runs on the GUI thread, and the body can hand a call to the GUI thread
// and wait for it. Construct it on the GUI thread. A body still running when the
// application object goes away is stopped and waited for then.
//
// The synchronous call goes through a slot of the thread's own. While calls come often
// and the GUI thread waits for the body (waitStep), the GUI thread takes them straight
// from the slot; each side spins for the other only as long as that has been paying off,
// and otherwise sleeps until woken. While calls come seldom, a call travels as a posted
// event through the GUI thread's event loop, and nobody spins.
class Thread : public QObject {
    Q_OBJECT
public:
    ~Thread() override;
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    // Begins the body on a thread of its own. A thread is started once.
    void start();

    // Asks the body to stop; it takes effect where the body checks terminated().
    void terminate();
    bool terminated() const { return terminated_.load(); }

    // When set, the object deletes itself on the GUI thread after its finish
    // notification has returned; nobody else may delete it then.
    bool FreeOnTerminate = false;

    // Runs on the GUI thread after the body has ended, with this thread as sender.
    // Read there, so the GUI thread may set or clear it at any time before.
    TNotifyEvent OnTerminate;

    // Waits on the GUI thread until the body has ended, serving its synchronous calls
    // meanwhile. Only for a thread that does not free itself: its owner stops it and
    // waits for it before destroying it, since the body may use the derived object.
    void waitFor();

    // One round of a GUI thread's wait for the body: while calls come often, serves them
    // from the slot for a few milliseconds, then lets the event loop run once; otherwise
    // sleeps in the event loop until something comes. A thread that frees itself may be
    // gone when this returns.
    void waitStep();

    // Benchmarks: the round trips of every thread's synchronous calls go into `log`
    // while it is set. Set and cleared on the GUI thread while no body runs.
    static void setRoundTripLog(RoundTripLog* log);

protected:
    Thread() = default;

    // The body. A failure escaping it ends the thread quietly.
    virtual void execute() = 0;

    // Called by terminate() on the calling thread, so that a body blocked in a wait of
    // its own can be woken.
    virtual void stopRequested() {}

    // Runs `method` on the GUI thread and blocks until it has run. A failure raised by
    // it there is raised again here.
    void synchronize(const std::function<void()>& method);

    bool event(QEvent* e) override;

private:
    enum CallState : int { NoCall, CallPending, CallRunning, CallDone };

    void run();
    // Body: hands the call over, by the slot or by a posted event; true by the slot.
    bool publishCall();
    // Body: waits until the GUI thread has run the call. Spinning can pay only while the
    // GUI thread watches the slot: woken through its event loop it comes too late.
    void awaitCall(bool mayPayToSpin);
    // Body: a moving average of the time from one call to the next.
    void noteCallPeriod();
    // Body: rouses a GUI thread that sleeps waiting for a call or for the end.
    void ringGui();
    // GUI thread: runs the call the body waits for, if there is one.
    bool serveCall();
    // GUI thread: serves calls from the slot for one slice of time; true when calls came
    // all along, false when none came or the body ended.
    bool serveCallsForASlice();
    bool callPendingOrEnded() const;
    void finishOnGuiThread();
    // GUI thread: stops the body, waits for its end serving its calls, then finishes.
    void stopAndFinish();
    static void finishLive(Thread* thread);
    static void stopAllAtExit();

    std::atomic<bool> terminated_{false};
    PooledThread thread_; // a system thread kept from an earlier body where one is free
    std::atomic<bool> bodyEnded_{false};
    bool ended_ = false; // GUI thread only

    // The three groups below sit on cache lines of their own: each side writes its own
    // group on every call, and sharing a line would make the other side's reads wait.
    static constexpr std::size_t CacheLine = 64;

    // The synchronous call: the body fills `call_` and raises the state to pending; the
    // GUI thread claims it, runs it, leaves a failure in `callFailure_` and marks it done.
    alignas(CacheLine) std::atomic<int> callState_{NoCall};
    const std::function<void()>* call_ = nullptr;
    std::exception_ptr callFailure_;

    // Written by the GUI thread.
    // Set while the GUI thread takes calls from the slot: the body posts no event then.
    alignas(CacheLine) std::atomic<bool> guiWatching_{false};
    // Set while the GUI thread sleeps on `guiBell_`, which the body rings by counting up.
    std::atomic<bool> guiSleeping_{false};
    SpinBudget guiSpin_;

    // Written by the body.
    alignas(CacheLine) std::atomic<int> guiBell_{0};
    // Set while the body sleeps on `callState_` for its call to be done.
    std::atomic<bool> bodySleeping_{false};
    // The time from one call to the next, in nanoseconds: slow until calls show otherwise.
    std::atomic<std::int64_t> callPeriod_{1'000'000'000};
    std::chrono::steady_clock::time_point lastCall_; // when the clock was last read
    std::int64_t callsSinceLook_ = 0;
    static constexpr std::int64_t CallsPerLook = 16;
    SpinBudget bodySpin_;
};

} // namespace larkspur
