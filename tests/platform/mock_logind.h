#pragma once

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <gtest/gtest.h>

#include "tests/support/dbus_mock.h"
#include "tests/support/standard_error_capture.h"

namespace larkspur::test {

// A bus of the test's own with a mock logind on it; the machine's buses are never used.
class MockLogind : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(mockLogind.start("logind", "org.freedesktop.login1")); }
    // The probe's connection is named: the next test's bus needs a connection of its own.
    void TearDown() override { QDBusConnection::disconnectFromBus("mock-logind-locks"); }

    static bool waitUntil(const std::function<bool()>& condition) {
        return DBusMock::waitUntil(condition);
    }
    QByteArray callLog() const { return mockLogind.callLog(); }

    // The locks logind holds, each as "what|who|why|mode".
    QStringList inhibitors() {
        const QDBusMessage reply = QDBusConnection::connectToBus(address, "mock-logind-locks")
                                       .call(QDBusMessage::createMethodCall(
                                           "org.freedesktop.login1", "/org/freedesktop/login1",
                                           "org.freedesktop.login1.Manager", "ListInhibitors"));
        if (reply.type() != QDBusMessage::ReplyMessage)
            return {"<no answer>"};
        const QDBusArgument list = reply.arguments().value(0).value<QDBusArgument>();
        QStringList locks;
        list.beginArray();
        while (!list.atEnd()) {
            QString what, who, why, mode;
            uint uid = 0, pid = 0;
            list.beginStructure();
            list >> what >> who >> why >> mode >> uid >> pid;
            list.endStructure();
            locks.append(QStringList{what, who, why, mode}.join('|'));
        }
        list.endArray();
        return locks;
    }

    DBusMock mockLogind;
    const QString& address = mockLogind.address;
    QProcess& logind = mockLogind.mock;
};

} // namespace larkspur::test
