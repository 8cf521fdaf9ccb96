#include <QTest>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

#include "tests/support/qt_printers.h"

#include "framework/errors.h"
#include "tests/support/engine_fixture.h"

using larkspur::platform::ConnectionHandle;
using larkspur::platform::DialEventMessage;
using larkspur::test::EngineFixture;

namespace {

class DialManager : public EngineFixture {
protected:
    void SetUp() override {
        EngineFixture::SetUp();
        dialup.connections.clear();
    }

    // Reports through the callback of the last dial on a thread of its own, as the
    // service does, and waits until the window has taken every change handed over.
    void report(std::int32_t state, std::uint32_t error, std::uint32_t message = DialEventMessage) {
        std::thread service([&] { dialup.callback(message, state, error); });
        service.join();
        QCoreApplication::processEvents();
    }

    void dial() {
        view.dialFields.password = QString(40, 'p');
        job->Button3Click();
    }
};

TEST_F(DialManager, ALineAlreadyUpIsUsedWithoutDiallingAndIsWhatDisconnectHangsUp) {
    dialup.connections = {0x44};
    server.setScript([](const auto&) { return larkspur::test::ScriptedReply(404); });
    setList({server.url("/f")});
    job->Button3Click();
    EXPECT_EQ(log().mid(0, 3),
              QStringList({"Already connected", "", "Start download: " + server.url("/f")}));
    EXPECT_TRUE(dialup.dials.empty());
    EXPECT_EQ(job->DialAttempt, 0);
    EXPECT_EQ(view.recordSaves, 0);
    job->Button4Click();
    job->Button4Click();
    EXPECT_EQ(dialup.hangUps, std::vector<ConnectionHandle>({0x44, 0x44}));
}

TEST_F(DialManager, DialCountsWritesTheSettingsAndDialsWithTheFullFields) {
    job->DialAttempt = 65535;
    dial();
    EXPECT_EQ(view.status, "connecting...");
    EXPECT_EQ(log(), QStringList{"Connecting. Attempt #0"});
    EXPECT_EQ(view.recordSaves, 1);
    EXPECT_EQ(view.saves, 0);
    ASSERT_EQ(dialup.dials.size(), 1u);
    EXPECT_EQ(dialup.dials[0].password, QString(40, 'p'));
    EXPECT_EQ(job->RasConnection, dialup.dialHandle);
    EXPECT_TRUE(job->RedialArmed);
}

TEST_F(DialManager, ADialRefusedAtOnceIsRetriedAfterTheRedialDelay) {
    dialup.dialResult = 633;
    dial();
    EXPECT_EQ(log().last(), "Hardware failure.");
    EXPECT_EQ(dialup.hangUps, std::vector<ConnectionHandle>{dialup.dialHandle});
    EXPECT_TRUE(job->Timer2->isActive());
    EXPECT_EQ(view.status, "delay before redial");
    job->Timer2Timer();
    EXPECT_EQ(log().filter("Connecting. Attempt #").last(), "Connecting. Attempt #2");
}

TEST_F(DialManager, ASettingsFileThatCannotBeWrittenIsShownAndTheDialGoesOn) {
    view.onSaveRecord = [] { throw larkspur::Error("Cannot create file \"1.pwl\". Disk full"); };
    job->Button3Click();
    EXPECT_EQ(log(),
              QStringList({"Connecting. Attempt #1", "Cannot create file \"1.pwl\". Disk full"}));
    EXPECT_EQ(dialup.dials.size(), 1u);
    EXPECT_EQ(errorBox.messages.size(), 1);
}

TEST_F(DialManager, StatesAreLoggedInOrderAndTheConnectedOneStartsTheDriver) {
    dial();
    const std::uint32_t before = clock.ticks;
    report(19, 0);
    report(3, 0);
    report(14, 0);
    report(8192, 0);
    report(19, 0, 1234); // another message: only the pause
    EXPECT_EQ(clock.ticks - before, 5 * 300 + 100 + 100u);
    EXPECT_EQ(log().mid(1),
              QStringList({"Начало процесса авторизации", "Пароль принят", "Успешное соединение"}));
    EXPECT_TRUE(job->Timer5->isActive());
    EXPECT_TRUE(QTest::qWaitFor([&] { return log().contains("All files downloaded"); }, 2000));
}

TEST_F(DialManager, AnErrorHangsUpLogsAndRedialsUnlessDisconnected) {
    dial();
    const std::uint32_t before = clock.ticks;
    report(19, 678);
    EXPECT_GE(clock.ticks - before, 2300u);
    EXPECT_EQ(log().last(), "Нет ответа");
    EXPECT_EQ(dialup.hangUps, std::vector<ConnectionHandle>{dialup.dialHandle});
    EXPECT_TRUE(job->Timer2->isActive());
    EXPECT_EQ(view.status, "delay before redial");

    job->dial(); // a second dial, disconnected before it fails
    job->Button4Click();
    report(8193, 720);
    EXPECT_EQ(log().last(), "Какая-то ошибка №720");
    EXPECT_FALSE(job->Timer2->isActive());
    EXPECT_EQ(view.status, "delay before redial"); // not "connecting..." for ever
    report(8193, 0);
    EXPECT_EQ(log().last(), "Ошибка при соединении!");
    EXPECT_FALSE(job->Timer2->isActive());
}

TEST_F(DialManager, StopBeforeAFailedDialsChangesAreAppliedEndsTheRedialCycle) {
    dial();
    std::thread service([&] { dialup.callback(DialEventMessage, 19, 678); });
    service.join(); // the report is made; its changes wait for the GUI thread
    job->Button8Click();
    QCoreApplication::processEvents();
    EXPECT_FALSE(job->Timer2->isActive());
    EXPECT_EQ(view.status, "idle");
}

TEST_F(DialManager, AReportThatOutlivesTheJobTouchesNothing) {
    dial();
    std::mutex mutex;
    std::condition_variable changed;
    bool sleeping = false, jobGone = false;
    clock.onSleep = [&] {
        if (clock.ticks - 300 < 2000) // only the long pause of an error report
            return;
        std::unique_lock lock(mutex);
        sleeping = true;
        changed.notify_all();
        changed.wait(lock, [&] { return jobGone; });
    };
    std::thread service([&] { dialup.callback(DialEventMessage, 19, 691); });
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return sleeping; });
    }
    job.reset();
    {
        std::lock_guard lock(mutex);
        jobGone = true;
    }
    changed.notify_all();
    service.join();
    QCoreApplication::processEvents(); // the late changes find no job and are dropped
}

} // namespace
