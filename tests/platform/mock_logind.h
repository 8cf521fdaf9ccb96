#pragma once

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <unistd.h>

namespace larkspur::test {

// What the code under test writes to standard error meanwhile.
class StandardErrorCapture {
public:
    StandardErrorCapture() : saved_(::dup(2)) {
        std::fflush(stderr);
        const int file = ::open(QFile::encodeName(dir_.filePath("stderr")).constData(),
                                O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        ::dup2(file, 2);
        ::close(file);
    }
    ~StandardErrorCapture() {
        std::fflush(stderr);
        ::dup2(saved_, 2);
        ::close(saved_);
    }
    QString text() {
        std::fflush(stderr);
        QFile file(dir_.filePath("stderr"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

private:
    QTemporaryDir dir_;
    int saved_;
};

// A bus of the test's own with a mock logind on it; the machine's buses are never used.
class MockLogind : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        bus.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        ASSERT_TRUE(bus.waitForStarted()) << "dbus-daemon is missing";
        ASSERT_TRUE(bus.waitForReadyRead(10000));
        address = QString::fromUtf8(bus.readLine().trimmed());
        ASSERT_FALSE(address.isEmpty());

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DBUS_SESSION_BUS_ADDRESS", address);
        environment.insert("DBUS_SYSTEM_BUS_ADDRESS", address);
        logind.setProcessEnvironment(environment);
        logind.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // Debian's own interpreter, which has the dbusmock module.
        logind.start("/usr/bin/python3", {"-m", "dbusmock", "--session", "-t", "logind", "-l",
                                          dir.filePath("calls.log")});
        ASSERT_TRUE(logind.waitForStarted());
        ASSERT_TRUE(waitUntil([&] { return logindIsOnTheBus(); })) << "the mock did not start";
    }

    void TearDown() override {
        QDBusConnection::disconnectFromBus("mock-logind-probe");
        for (QProcess* process : {&logind, &bus}) {
            process->terminate();
            if (!process->waitForFinished(5000))
                process->kill();
        }
    }

    bool logindIsOnTheBus() {
        const QDBusConnection probe = QDBusConnection::connectToBus(address, "mock-logind-probe");
        return probe.isConnected() &&
               probe.interface()->isServiceRegistered("org.freedesktop.login1").value();
    }

    static bool waitUntil(const std::function<bool()>& condition) {
        for (int tries = 0; tries < 200; ++tries) {
            if (condition())
                return true;
            QThread::msleep(50);
        }
        return false;
    }

    // The locks logind holds, each as "what|who|why|mode".
    QStringList inhibitors() {
        const QDBusMessage reply = QDBusConnection::connectToBus(address, "mock-logind-probe")
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

    QByteArray callLog() {
        QFile log(dir.filePath("calls.log"));
        return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
    }

    QTemporaryDir dir;
    QProcess bus;
    QProcess logind;
    QString address;
};

} // namespace larkspur::test
