#include <QCoreApplication>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>

#include "tests/support/qt_printers.h"

#include "framework/errors.h"
#include "framework/thread.h"
#include "tests/support/error_box_recorder.h"

using namespace larkspur;

namespace {

// A body that hands one call to the GUI thread, or spins until it is asked to stop.
class ProbeThread : public Thread {
public:
    explicit ProbeThread(bool* destroyed = nullptr) : destroyed_(destroyed) {}
    ~ProbeThread() override {
        if (destroyed_)
            *destroyed_ = true;
    }
    using Thread::start;

    std::function<void()> guiCall;
    int calls = 1; // how often the body hands guiCall over, up to the first failure
    bool spinUntilStopped = false;
    std::atomic<bool> ran{false};
    std::atomic<bool> sawStop{false};
    QString failureSeen;
    bool calledOnGui = false;

protected:
    void execute() override {
        ran = true;
        for (int call = 0; guiCall && call < calls && failureSeen.isEmpty(); ++call) {
            try {
                synchronize([this] {
                    calledOnGui = QThread::currentThread() == qApp->thread();
                    guiCall();
                });
            } catch (const Error& e) {
                failureSeen = e.message();
            }
        }
        while (spinUntilStopped && !terminated())
            QThread::msleep(1);
        sawStop = terminated();
    }

private:
    bool* destroyed_;
};

} // namespace

TEST(Thread, StopBeforeStartSkipsTheBodyButStillNotifiesAndFreesOnTheGuiThread) {
    bool destroyed = false;
    auto* thread = new ProbeThread(&destroyed);
    thread->FreeOnTerminate = true;
    QObject* notifiedSender = nullptr;
    bool notifiedOnGui = false;
    thread->OnTerminate = [&](QObject* sender) {
        notifiedSender = sender;
        notifiedOnGui = QThread::currentThread() == qApp->thread();
        EXPECT_FALSE(destroyed);
    };
    thread->terminate();
    thread->start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return destroyed; }, 10'000));
    EXPECT_EQ(notifiedSender, thread);
    EXPECT_TRUE(notifiedOnGui);
}

TEST(Thread, SynchronousCallRunsOnTheGuiThreadAndRaisesItsFailureInTheBody) {
    ProbeThread thread;
    thread.guiCall = [] { throw Error("handler failed"); };
    thread.start();
    thread.waitFor();
    EXPECT_TRUE(thread.calledOnGui);
    EXPECT_EQ(thread.failureSeen, "handler failed");
}

TEST(Thread, TerminateEndsTheBodyAtItsNextCheckAndWaitForReturnsAfterTheEnd) {
    ProbeThread thread;
    thread.spinUntilStopped = true;
    bool notified = false;
    thread.OnTerminate = [&](QObject*) { notified = true; };
    thread.start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return thread.ran.load(); }, 10'000));
    thread.terminate();
    thread.waitFor();
    EXPECT_TRUE(thread.sawStop);
    EXPECT_TRUE(notified);
}

TEST(Thread, AFailingFinishHandlerIsShownAndTheThreadIsStillFreed) {
    test::ErrorBoxRecorder box;
    bool destroyed = false;
    auto* thread = new ProbeThread(&destroyed);
    thread->FreeOnTerminate = true;
    thread->OnTerminate = [](QObject*) { throw Error("done failed"); };
    thread->start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return destroyed; }, 10'000));
    EXPECT_EQ(box.messages, QStringList({"done failed."}));
}

// Calls in quick succession are taken straight from the slot: each still runs on the GUI
// thread, one after the other, and a failure reaches the body at the call that raised it.
TEST(Thread, QuickCallsRunInTurnOnTheGuiThreadAndAFailureStopsThemWhereItHappened) {
    ProbeThread thread;
    thread.calls = 20000;
    int served = 0;
    bool allOnGui = true;
    thread.guiCall = [&] {
        allOnGui = allOnGui && QThread::currentThread() == qApp->thread();
        if (++served == 15000)
            throw Error("call 15000 failed");
    };
    thread.start();
    thread.waitFor();
    EXPECT_EQ(served, 15000);
    EXPECT_TRUE(allOnGui);
    EXPECT_EQ(thread.failureSeen, "call 15000 failed");
}
