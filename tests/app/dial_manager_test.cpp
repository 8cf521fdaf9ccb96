#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

#include "tests/support/qt_printers.h"

#include "framework/errors.h"
#include "tests/support/job_fixture.h"

using larkspur::platform::ConnectionHandle;
using larkspur::platform::DialEventMessage;
using larkspur::test::JobFixture;

namespace {

class DialManager : public JobFixture {
protected:
    void SetUp() override {
        JobFixture::SetUp();
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
        form->Edit3->setText(QString(40, 'p'));
        form->Button3Click(form->Button3);
    }
};

TEST_F(DialManager, ALineAlreadyUpIsUsedWithoutDiallingAndIsWhatDisconnectHangsUp) {
    dialup.connections = {0x44};
    server.setScript([](const auto&) { return larkspur::test::ScriptedReply(404); });
    setList({server.url("/f")});
    form->Button3Click(form->Button3);
    EXPECT_EQ(log().mid(0, 3),
              QStringList({"Already connected", "", "Start download: " + server.url("/f")}));
    EXPECT_TRUE(dialup.dials.empty());
    EXPECT_EQ(form->DialAttempt, 0);
    EXPECT_FALSE(QFile::exists(path("1.pwl")));
    form->Button4Click(form->Button4);
    form->Button4Click(form->Button4);
    EXPECT_EQ(dialup.hangUps, std::vector<ConnectionHandle>({0x44, 0x44}));
}

TEST_F(DialManager, DialCountsWritesTheSettingsAndDialsWithTheFullFields) {
    form->DialAttempt = 65535;
    dial();
    EXPECT_EQ(form->Label10->text(), "connecting...");
    EXPECT_EQ(log(), QStringList{"Connecting. Attempt #0"});
    EXPECT_EQ(QFileInfo(path("1.pwl")).size(), 299);
    EXPECT_FALSE(QFile::exists(path("1.txt")));
    ASSERT_EQ(dialup.dials.size(), 1u);
    EXPECT_EQ(dialup.dials[0].password, QString(40, 'p'));
    EXPECT_EQ(form->RasConnection, dialup.dialHandle);
    EXPECT_TRUE(form->RedialArmed);
}

TEST_F(DialManager, ADialThatFailsAtOnceHangsUpAndSchedulesNothing) {
    dialup.dialResult = 633;
    dial();
    EXPECT_EQ(log().last(), "Hardware failure.");
    EXPECT_EQ(dialup.hangUps, std::vector<ConnectionHandle>{dialup.dialHandle});
    EXPECT_FALSE(form->Timer2->isActive());
    EXPECT_EQ(form->Label10->text(), "connecting...");
}

TEST_F(DialManager, ABadScheduleFieldStopsTheDialAfterTheAttemptLine) {
    form->Edit5->setText("");
    EXPECT_THROW(form->Button3Click(form->Button3), larkspur::Error);
    EXPECT_EQ(log(), QStringList{"Connecting. Attempt #1"});
    EXPECT_TRUE(dialup.dials.empty());
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
    EXPECT_TRUE(form->Timer5->isActive());
    EXPECT_TRUE(QTest::qWaitFor([&] { return log().contains("All files downloaded"); }, 2000));
}

TEST_F(DialManager, AnErrorHangsUpLogsAndRedialsUnlessDisconnected) {
    dial();
    const std::uint32_t before = clock.ticks;
    report(19, 678);
    EXPECT_GE(clock.ticks - before, 2300u);
    EXPECT_EQ(log().last(), "Нет ответа");
    EXPECT_EQ(dialup.hangUps, std::vector<ConnectionHandle>{dialup.dialHandle});
    EXPECT_TRUE(form->Timer2->isActive());
    EXPECT_EQ(form->Label10->text(), "delay before redial");

    form->Button4Click(form->Button4);
    report(8193, 720);
    EXPECT_EQ(log().last(), "Какая-то ошибка №720");
    EXPECT_FALSE(form->Timer2->isActive());
    report(8193, 0);
    EXPECT_EQ(log().last(), "Ошибка при соединении!");
    EXPECT_FALSE(form->Timer2->isActive());
}

TEST_F(DialManager, StopBeforeAFailedDialsChangesAreAppliedEndsTheRedialCycle) {
    dial();
    std::thread service([&] { dialup.callback(DialEventMessage, 19, 678); });
    service.join(); // the report is made; its changes wait for the GUI thread
    form->Button8Click(form->Button8);
    QCoreApplication::processEvents();
    EXPECT_FALSE(form->Timer2->isActive());
    EXPECT_EQ(form->Label10->text(), "idle");
}

TEST_F(DialManager, AReportThatOutlivesTheWindowTouchesNothing) {
    dial();
    std::mutex mutex;
    std::condition_variable changed;
    bool sleeping = false, windowGone = false;
    clock.onSleep = [&] {
        if (clock.ticks - 300 < 2000) // only the long pause of an error report
            return;
        std::unique_lock lock(mutex);
        sleeping = true;
        changed.notify_all();
        changed.wait(lock, [&] { return windowGone; });
    };
    std::thread service([&] { dialup.callback(DialEventMessage, 19, 691); });
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return sleeping; });
    }
    form.reset();
    {
        std::lock_guard lock(mutex);
        windowGone = true;
    }
    changed.notify_all();
    service.join();
    QCoreApplication::processEvents(); // the late changes find no window and are dropped
}

} // namespace
