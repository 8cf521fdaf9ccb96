#pragma once

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QUuid>
#include <functional>

namespace larkspur::test {

// A bus of the test's own with one python3-dbusmock template on it, which logs every call
// it gets; the machine's buses are never used.
class DBusMock {
public:
    ~DBusMock() {
        QDBusConnection::disconnectFromBus(probeName_);
        for (QProcess* process : {&mock, &bus_}) {
            process->terminate();
            if (!process->waitForFinished(5000))
                process->kill();
        }
    }

    // The bus alone, for a service that is not there; false when it did not come up.
    bool startBus() {
        bus_.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        if (!bus_.waitForStarted() || !bus_.waitForReadyRead(10000))
            return false;
        address = QString::fromUtf8(bus_.readLine().trimmed());
        return !address.isEmpty();
    }

    // False when the bus or the mock did not come up.
    bool start(const QString& templateName, const QString& serviceName,
               const QStringList& templateArguments = {}) {
        if (!startBus())
            return false;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DBUS_SESSION_BUS_ADDRESS", address);
        environment.insert("DBUS_SYSTEM_BUS_ADDRESS", address);
        mock.setProcessEnvironment(environment);
        mock.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // Debian's own interpreter, which has the dbusmock module.
        mock.start("/usr/bin/python3", QStringList{"-m", "dbusmock", "--session", "-t",
                                                   templateName, "-l", dir_.filePath("calls.log")} +
                                           templateArguments);
        return mock.waitForStarted() && waitUntil([&] { return isOnTheBus(serviceName); });
    }

    QByteArray callLog() const {
        QFile log(dir_.filePath("calls.log"));
        return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
    }

    static bool waitUntil(const std::function<bool()>& condition) {
        for (int tries = 0; tries < 200; ++tries) {
            if (condition())
                return true;
            QThread::msleep(50);
        }
        return false;
    }

    QString address;
    QProcess mock;

private:
    bool isOnTheBus(const QString& serviceName) {
        const QDBusConnection probe = QDBusConnection::connectToBus(address, probeName_);
        return probe.isConnected() && probe.interface()->isServiceRegistered(serviceName).value();
    }

    QTemporaryDir dir_;
    QProcess bus_;
    const QString probeName_ = QUuid::createUuid().toString();
};

} // namespace larkspur::test
