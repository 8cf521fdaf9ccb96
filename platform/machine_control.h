#pragma once

#include <QString>
#include <memory>
#include <optional>

namespace larkspur::platform {

// What the program asks of the machine itself.
class MachineControl {
public:
    virtual ~MachineControl() = default;
    // 1 stood for an old family of systems that has no privileges; we are never it.
    virtual int platformId() = 0;
    // Raises the capability a named privilege stands for; false when the name is
    // unknown or the process may not hold it.
    virtual bool enablePrivilege(const QString& name) = 0;
    // Asks for the machine to be powered off without asking anyone, and waits a few
    // seconds at most for the answer: empty when granted, else why not (also written to
    // standard error, for whoever finds the machine still on).
    virtual std::optional<QString> requestPowerOff() = 0;
    // Writes everything cached for the file system that holds `folder` to its disk, and
    // waits for it; failures are written to standard error.
    virtual void flushFileSystem(const QString& folder) = 0;
};

// logind on the D-Bus bus at `busAddress`, or on the system bus when it is empty.
std::unique_ptr<MachineControl> makeLinuxMachineControl(const QString& busAddress = {});

} // namespace larkspur::platform
