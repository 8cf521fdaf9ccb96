#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>

namespace larkspur::platform {

// The bus logind answers on: the system bus, or the bus at `address` (a test's own).
class LogindBus {
public:
    explicit LogindBus(const QString& address);

    QDBusConnection connection() const;
    // A call of `method` on logind's manager that never asks anyone for authorization.
    static QDBusMessage managerCall(const QString& method);

private:
    const QString address_;
    const QString connectionName_;
};

} // namespace larkspur::platform
