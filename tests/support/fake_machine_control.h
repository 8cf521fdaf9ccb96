#pragma once

#include <QStringList>
#include <functional>

#include "platform/machine_control.h"

namespace larkspur::test {

// Records privilege, flush and power-off requests, the last two in `calls` in their order;
// the platform id is the test's to choose.
class FakeMachineControl : public platform::MachineControl {
public:
    int id = 2;
    bool privilegeGranted = true;
    QStringList privilegesEnabled;
    int powerOffRequests = 0;
    QStringList calls; // "flush FOLDER", "power off"

    int platformId() override { return id; }
    bool enablePrivilege(const QString& name) override {
        privilegesEnabled.append(name);
        return privilegeGranted;
    }
    std::optional<QString> refusal;   // what a refusing logind would say
    std::function<void()> onPowerOff; // the last moment the machine is still on
    std::optional<QString> requestPowerOff() override {
        if (onPowerOff)
            onPowerOff();
        ++powerOffRequests;
        calls.append(QStringLiteral("power off"));
        return refusal;
    }
    void flushFileSystem(const QString& folder) override {
        calls.append(QStringLiteral("flush ") + folder);
    }
};

} // namespace larkspur::test
