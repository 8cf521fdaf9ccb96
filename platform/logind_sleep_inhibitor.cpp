#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>
#include <cstdio>
#include <unistd.h>
#include <utility>

#include "platform/logind_bus.h"
#include "platform/sleep_inhibitor.h"

namespace larkspur::platform {
namespace {

// The lock is the file descriptor logind hands out: held while open, released by closing
// it. The call is not awaited, so Begin never waits for the bus; a release that comes
// before the answer closes the descriptor as soon as it arrives.
class LogindSleepInhibitor : public QObject, public SleepInhibitor {
public:
    explicit LogindSleepInhibitor(const QString& busAddress) : bus_(busAddress) {}
    ~LogindSleepInhibitor() override { closeLock(); }

    void take() override {
        wanted_ = true;
        if (lock_ >= 0 || asking_)
            return;
        QDBusConnection connection = bus_.connection();
        if (!connection.isConnected()) {
            reportMissingLogind(connection.lastError());
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
        QDBusMessage inhibit = LogindBus::managerCall(QStringLiteral("Inhibit"));
        inhibit << QStringLiteral("sleep:idle") << QStringLiteral("Larkspur")
                << QStringLiteral("Downloading the night's files") << QStringLiteral("block");
        return inhibit;
    }

    void answered(QDBusPendingCallWatcher& call) {
        asking_ = false;
        call.deleteLater();
        QDBusPendingReply<QDBusUnixFileDescriptor> reply = call;
        if (reply.isError()) {
            reportMissingLogind(reply.error());
            return;
        }
        const int lock = reply.value().isValid() ? ::dup(reply.value().fileDescriptor()) : -1;
        if (wanted_)
            lock_ = lock;
        else if (lock >= 0)
            ::close(lock);
    }

    // Once: a job that retries after every failed file would repeat it all night.
    void reportMissingLogind(const QDBusError& error) {
        if (std::exchange(reported_, true))
            return;
        std::fprintf(stderr, "larkspur: the machine may sleep during the job: %s (%s)\n",
                     qUtf8Printable(error.message()), qUtf8Printable(error.name()));
    }

    void closeLock() {
        if (lock_ >= 0)
            ::close(lock_);
        lock_ = -1;
    }

    const LogindBus bus_;
    bool wanted_ = false;
    bool asking_ = false;
    bool reported_ = false;
    int lock_ = -1;
};

} // namespace

std::unique_ptr<SleepInhibitor> makeLogindSleepInhibitor(const QString& busAddress) {
    return std::make_unique<LogindSleepInhibitor>(busAddress);
}

} // namespace larkspur::platform
