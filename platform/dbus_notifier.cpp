#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QSet>
#include <QUuid>
#include <QVariantMap>
#include <cstdio>

#include "platform/notifier.h"

namespace larkspur::platform {
namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
const QString Interface = QStringLiteral("org.freedesktop.Notifications");
// A service that is there answers at once; a missing one must not hold the night up.
constexpr int AnswerMs = 3000;
constexpr int ExpireAsTheServiceLikes = -1;

// Hears the service's ActionInvoked signal; QtDBus delivers signals to slots only.
class ActionListener : public QObject {
    Q_OBJECT
public:
    explicit ActionListener(std::function<void(unsigned, const QString&)> picked)
        : picked_(std::move(picked)) {}

public slots:
    void actionInvoked(uint id, const QString& key) { picked_(id, key); }

private:
    std::function<void(unsigned, const QString&)> picked_;
};

class DBusNotifier final : public Notifier {
public:
    explicit DBusNotifier(const QString& busAddress)
        : connection_(busAddress.isEmpty() ? QDBusConnection::sessionBus()
                                           : QDBusConnection::connectToBus(
                                                 busAddress, QUuid::createUuid().toString())),
          listener_([this](unsigned id, const QString& key) {
              if (ours_.contains(id))
                  emit actionInvoked(id, key);
          }) {
        connection_.connect(Service, Path, Interface, QStringLiteral("ActionInvoked"), &listener_,
                            SLOT(actionInvoked(uint, QString)));
    }

    unsigned notify(const QString& title, const QString& body, const QString& icon,
                    const QList<NotificationAction>& actions, unsigned replaces) override {
        QStringList pairs;
        for (const NotificationAction& action : actions)
            pairs << action.key << action.label;
        const QDBusMessage answer =
            ask(QStringLiteral("Notify"), {QStringLiteral("larkspur"), uint(replaces), icon, title,
                                           body, pairs, QVariantMap(), ExpireAsTheServiceLikes});
        if (answer.type() != QDBusMessage::ReplyMessage || answer.arguments().isEmpty()) {
            std::fprintf(stderr, "larkspur: no notification was shown: %s\n",
                         qUtf8Printable(answer.errorMessage()));
            return 0;
        }
        const unsigned id = answer.arguments().constFirst().toUInt();
        ours_.insert(id);
        return id;
    }

    void close(unsigned id) override {
        if (id != 0)
            ask(QStringLiteral("CloseNotification"), {uint(id)});
    }

    bool supportsActions() override {
        const QDBusMessage answer = ask(QStringLiteral("GetCapabilities"), {});
        return answer.type() == QDBusMessage::ReplyMessage && !answer.arguments().isEmpty() &&
               answer.arguments().constFirst().toStringList().contains(QStringLiteral("actions"));
    }

private:
    QDBusMessage ask(const QString& method, const QVariantList& arguments) {
        QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Interface, method);
        call.setArguments(arguments);
        call.setAutoStartService(false); // starting a service could outlast the answer time
        return connection_.call(call, QDBus::Block, AnswerMs);
    }

    QDBusConnection connection_;
    ActionListener listener_;
    QSet<unsigned> ours_;
};

} // namespace

std::unique_ptr<Notifier> makeDBusNotifier(const QString& busAddress) {
    return std::make_unique<DBusNotifier>(busAddress);
}

} // namespace larkspur::platform

#include "dbus_notifier.moc"
