#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "tests/support/dbus_mock.h"
#include "tests/support/qt_printers.h"

#include "platform/notifier.h"

using larkspur::platform::makeDBusNotifier;
using larkspur::platform::NotificationAction;
using larkspur::test::DBusMock;

namespace {

// The service as python3-dbusmock's template plays it; `capabilities` as it announces them.
class MockNotifications : public ::testing::Test {
protected:
    void start(const QString& capabilities) {
        ASSERT_TRUE(
            daemon.start("notification_daemon", "org.freedesktop.Notifications",
                         {"-p", QStringLiteral("{\"capabilities\": \"%1\"}").arg(capabilities)}));
    }

    // What the service sends when the user clicks an action.
    void pickAction(unsigned id, const QString& key) {
        QDBusMessage invoked = QDBusMessage::createMethodCall(
            "org.freedesktop.Notifications", "/org/freedesktop/Notifications",
            "org.freedesktop.DBus.Mock", "EmitSignal");
        invoked << "org.freedesktop.Notifications"
                << "ActionInvoked"
                << "us"
                << QVariantList{QVariant::fromValue(QDBusVariant(uint(id))),
                                QVariant::fromValue(QDBusVariant(key))};
        const QDBusMessage answer =
            QDBusConnection::connectToBus(daemon.address, "picker").call(invoked);
        ASSERT_NE(answer.type(), QDBusMessage::ErrorMessage) << answer.errorMessage().toStdString();
    }

    DBusMock daemon;
};

TEST_F(MockNotifications, ANotificationCarriesItsTextsIconAndActionsAndItsPickedActionComesBack) {
    start("actions body");
    const auto notifier = makeDBusNotifier(daemon.address);
    EXPECT_TRUE(notifier->supportsActions());
    QSignalSpy picked(notifier.get(), &larkspur::platform::Notifier::actionInvoked);

    const unsigned id = notifier->notify("Larkspur", "3 files downloaded", "org.larkspur.Larkspur",
                                         {{"open", "Open folder"}});
    ASSERT_NE(id, 0u);
    EXPECT_EQ(notifier->notify("Larkspur", "later", "", {}, id), id);
    const QByteArray calls = daemon.callLog();
    EXPECT_TRUE(calls.contains("Notify \"larkspur\" 0 \"org.larkspur.Larkspur\" \"Larkspur\" "
                               "\"3 files downloaded\" [\"open\", \"Open folder\"]"))
        << calls.toStdString();

    pickAction(id + 1, "open"); // another program's notification
    pickAction(id, "open");
    ASSERT_TRUE(picked.wait(5000));
    EXPECT_EQ(picked.size(), 1);
    EXPECT_EQ(picked.at(0).at(0).toUInt(), id);
    EXPECT_EQ(picked.at(0).at(1).toString(), "open");
}

TEST_F(MockNotifications, AServiceWithoutActionsSaysSo) {
    start("body");
    EXPECT_FALSE(makeDBusNotifier(daemon.address)->supportsActions());
}

TEST(NotifierWithoutService, NothingIsShownAndNothingWaits) {
    DBusMock busAlone; // a bus where nobody serves notifications
    ASSERT_TRUE(busAlone.startBus());
    for (const QString& address : {QString("unix:path=/nonexistent/bus"), busAlone.address}) {
        const auto notifier = makeDBusNotifier(address);
        QElapsedTimer took;
        took.start();
        EXPECT_EQ(notifier->notify("Larkspur", "body", "", {}), 0u) << address.toStdString();
        EXPECT_FALSE(notifier->supportsActions());
        EXPECT_LT(took.elapsed(), 2000);
    }
}

} // namespace
