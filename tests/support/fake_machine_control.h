#pragma once

#include <QStringList>

#include "platform/machine_control.h"

namespace larkspur::test {

// Records privilege and power-off requests; the platform id is the test's to choose.
class FakeMachineControl : public platform::MachineControl {
public:
    int id = 2;
    bool privilegeGranted = true;
    QStringList privilegesEnabled;
    int powerOffRequests = 0;

    int platformId() override { return id; }
    bool enablePrivilege(const QString& name) override {
        privilegesEnabled.append(name);
        return privilegeGranted;
    }
    void requestPowerOff() override { ++powerOffRequests; }
};

} // namespace larkspur::test
