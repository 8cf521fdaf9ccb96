#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>
#include <QPointer>
#include <QUuid>
#include <cstdio>
#include <unistd.h>

#include "platform/sleep_inhibitor.h"

namespace larkspur::platform {
namespace {

void reportMissingLock(const QDBusError& error) {
    std::fprintf(stderr, "larkspur: the machine may sleep during the job: %s (%s)\n",
                 qUtf8Printable(error.message()), qUtf8Printable(error.name()));
}

// The lock is the file descriptor logind hands out: held while open, released by closing
// it. The call is not awaited, so Begin never waits for the bus; a release that comes
// before the answer closes the descriptor as soon as it arrives.
class LogindSleepInhibitor : public QObject, public SleepInhibitor {
public:
    explicit LogindSleepInhibitor(const QString& busAddress) : busAddress_(busAddress) {}
    ~LogindSleepInhibitor() override { closeLock(); }

    void take() override {
        wanted_ = true;
        if (lock_ >= 0 || asking_)
            return;
        QDBusConnection connection = bus();
        if (!connection.isConnected()) {
            reportMissingLock(connection.lastError());
            return;
        }
        asking_ = true;
        auto* answer = new QDBusPendingCallWatcher(connection.asyncCall(inhibitCall()), this);
        QObject::connect(answer, &QDBusPendingCallWatcher::finished, this,
                         [this](QDBusPendingCallWatcher* call) { answered(*call); });
    }

    void release() override {
        wanted_ = false;
        closeLock();
    }

private:
    static QDBusMessage inhibitCall() {
        QDBusMessage inhibit = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
            QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
        inhibit << QStringLiteral("sleep:idle") << QStringLiteral("Larkspur")
                << QStringLiteral("Downloading the night's files") << QStringLiteral("block");
        inhibit.setInteractiveAuthorizationAllowed(false);
        return inhibit;
    }

    void answered(QDBusPendingCallWatcher& call) {
        asking_ = false;
        call.deleteLater();
        QDBusPendingReply<QDBusUnixFileDescriptor> reply = call;
        if (reply.isError()) {
            reportMissingLock(reply.error());
            return;
        }
        const int lock = reply.value().isValid() ? ::dup(reply.value().fileDescriptor()) : -1;
        if (wanted_)
            lock_ = lock;
        else if (lock >= 0)
            ::close(lock);
    }

    void closeLock() {
        if (lock_ >= 0)
            ::close(lock_);
        lock_ = -1;
    }

    QDBusConnection bus() const {
        if (busAddress_.isEmpty())
            return QDBusConnection::systemBus();
        return QDBusConnection::connectToBus(busAddress_, connectionName_);
    }

    const QString busAddress_;
    const QString connectionName_ = QUuid::createUuid().toString();
    bool wanted_ = false;
    bool asking_ = false;
    int lock_ = -1;
};

} // namespace

std::unique_ptr<SleepInhibitor> makeLogindSleepInhibitor(const QString& busAddress) {
    return std::make_unique<LogindSleepInhibitor>(busAddress);
}

} // namespace larkspur::platform
