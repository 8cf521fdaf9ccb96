#include <QSignalSpy>
#include <gtest/gtest.h>

#include "tests/support/fake_machine_control.h"
#include "tests/support/fake_notifier.h"
#include "tests/support/qt_printers.h"

#include "engine/power_off.h"
#include "engine/power_off_countdown.h"

using larkspur::engine::PowerOffCountdown;
using larkspur::test::FakeNotifier;

namespace {

TEST(PowerOffCountdown, ExpiresAfterItsSecondsShowingEachWithACancelWhereOffered) {
    for (const bool actions : {true, false}) {
        FakeNotifier notifier;
        notifier.actions = actions;
        PowerOffCountdown countdown(&notifier, 2);
        QSignalSpy ticks(&countdown, &PowerOffCountdown::ticked);
        QSignalSpy expired(&countdown, &PowerOffCountdown::expired);
        countdown.start();
        ASSERT_TRUE(expired.wait(5000));
        EXPECT_EQ(ticks.size(), 2);
        ASSERT_EQ(notifier.shown.size(), 2); // 2 s, then 1 s, in place of each other
        EXPECT_EQ(notifier.shown[1].id, notifier.shown[0].id);
        EXPECT_EQ(notifier.shown[0].body, "The computer turns off in 2 s.");
        EXPECT_EQ(notifier.shown[0].actions.size(), actions ? 1 : 0);
        EXPECT_EQ(notifier.closed, QList<unsigned>{notifier.shown[0].id});
        EXPECT_FALSE(countdown.running());
    }
}

TEST(PowerOffCountdown, CancelFromTheNotificationOrTheCallerEndsItWithoutExpiring) {
    for (const bool fromNotification : {true, false}) {
        FakeNotifier notifier;
        PowerOffCountdown countdown(&notifier, 60);
        QSignalSpy expired(&countdown, &PowerOffCountdown::expired);
        QSignalSpy cancelled(&countdown, &PowerOffCountdown::cancelled);
        countdown.start();
        notifier.pick(notifier.shown[0].id + 1, "cancel"); // not ours
        EXPECT_TRUE(countdown.running());
        if (fromNotification)
            notifier.pick(notifier.shown[0].id, "cancel");
        else
            countdown.cancel();
        countdown.cancel(); // a second cancel changes nothing
        EXPECT_EQ(cancelled.size(), 1);
        EXPECT_FALSE(countdown.running());
        EXPECT_FALSE(expired.wait(1500));
        EXPECT_EQ(notifier.closed.size(), 1);
    }
}

TEST(PowerOffCountdown, WithoutAServiceItStillCountsAndAsksOnlyOnce) {
    FakeNotifier notifier;
    notifier.available = false;
    PowerOffCountdown countdown(&notifier, 1);
    QSignalSpy expired(&countdown, &PowerOffCountdown::expired);
    countdown.start();
    EXPECT_TRUE(expired.wait(5000));
    EXPECT_EQ(notifier.asked, 1);
}

TEST(PowerOffCountdown, TheEnvironmentShortensTheDelay) {
    EXPECT_EQ(PowerOffCountdown::defaultSeconds(), 60);
    qputenv("LARKSPUR_POWER_OFF_DELAY", "3");
    EXPECT_EQ(PowerOffCountdown::defaultSeconds(), 3);
    qputenv("LARKSPUR_POWER_OFF_DELAY", "soon");
    EXPECT_EQ(PowerOffCountdown::defaultSeconds(), 60);
    qunsetenv("LARKSPUR_POWER_OFF_DELAY");
}

} // namespace

namespace {

TEST(PowerOff, TheLogSaysItBeforeAndARefusalWithItsReason) {
    for (const std::optional<QString>& refusal :
         {std::optional<QString>(), std::optional<QString>("Access denied (org.example.Denied)")}) {
        larkspur::test::FakeMachineControl machine;
        machine.refusal = refusal;
        QStringList log;
        larkspur::engine::powerOffLogged(machine, [&](const QString& line) { log << line; });
        EXPECT_EQ(machine.powerOffRequests, 1);
        QStringList expected{"Powering off"};
        if (refusal)
            expected << "The computer was not powered off: " + *refusal;
        EXPECT_EQ(log, expected);
    }
}

} // namespace
