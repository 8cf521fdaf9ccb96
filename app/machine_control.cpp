// The shutdown privilege and the power-off at the end of a job.
#include "platform/machine_control.h"
#include "app/form1.h"

namespace {

constexpr int oldFamilyWithoutPrivileges = 1;

} // namespace

void TForm1::EnablePrivilege(const char* name) {
    if (name)
        services().machine->enablePrivilege(QString::fromLocal8Bit(name)); // failures are silent
}

void TForm1::EnableShutdownPrivilegeAtStartup() {
    if (services().machine->platformId() != oldFamilyWithoutPrivileges)
        EnablePrivilege("SeShutdownPrivilege");
}

void TForm1::PowerOffMachine() {
    if (TurnOffWhenDone)
        services().machine->requestPowerOff();
}
