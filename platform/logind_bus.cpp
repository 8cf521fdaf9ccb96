#include "platform/logind_bus.h"

#include <QUuid>

namespace larkspur::platform {

LogindBus::LogindBus(const QString& address)
    : address_(address), connectionName_(QUuid::createUuid().toString()) {}

QDBusConnection LogindBus::connection() const {
    if (address_.isEmpty())
        return QDBusConnection::systemBus();
    return QDBusConnection::connectToBus(address_, connectionName_);
}

QDBusMessage LogindBus::managerCall(const QString& method) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), method);
    call.setInteractiveAuthorizationAllowed(false);
    return call;
}

} // namespace larkspur::platform
