#pragma once

#include <QObject>
#include <atomic>
#include <exception>
#include <functional>
#include <thread>

#include "framework/events.h"

namespace larkspur {

// A worker thread in the program's style: the owner asks it to stop through an atomic
// flag that the body polls, it can free itself once it has ended, its finish
// notification runs on the GUI thread, and the body can hand a call to the GUI thread
// and wait for it. Construct it on the GUI thread. A body still running when the
// application object goes away is stopped and waited for then.
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
    // GUI thread: runs the call the body waits for, if there is one.
    bool serveCall();
    void finishOnGuiThread();
    // GUI thread: stops the body, waits for its end serving its calls, then finishes.
    void stopAndFinish();
    static void finishLive(Thread* thread);
    static void stopAllAtExit();

    std::atomic<bool> terminated_{false};
    std::thread thread_;
    std::atomic<bool> bodyEnded_{false};
    bool ended_ = false; // GUI thread only

    // The synchronous call: the body fills `call_` and raises the state to pending; the
    // GUI thread claims it, runs it, leaves a failure in `callFailure_` and marks it done.
    std::atomic<int> callState_{NoCall};
    const std::function<void()>* call_ = nullptr;
    std::exception_ptr callFailure_;
};

} // namespace larkspur
