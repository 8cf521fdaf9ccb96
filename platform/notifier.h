#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <memory>

namespace larkspur::platform {

// A choice a notification offers, such as "Open folder": `key` comes back when picked.
struct NotificationAction {
    QString key;
    QString label;
};

// The desktop's notifications.
class Notifier : public QObject {
    Q_OBJECT
public:
    // Shows a notification, in place of the one with `replaces` when that is not 0. Its
    // id, or 0 when no service shows it (said on standard error: the caller goes on).
    virtual unsigned notify(const QString& title, const QString& body, const QString& icon,
                            const QList<NotificationAction>& actions, unsigned replaces = 0) = 0;
    virtual void close(unsigned id) = 0;
    // Whether the service shows the actions at all; without one, false.
    virtual bool supportsActions() = 0;

signals:
    // The user picked the action `key` of our notification `id`.
    void actionInvoked(unsigned id, const QString& key);
};

// org.freedesktop.Notifications on the D-Bus bus at `busAddress`, or on the session bus
// when it is empty.
std::unique_ptr<Notifier> makeDBusNotifier(const QString& busAddress = {});

} // namespace larkspur::platform
