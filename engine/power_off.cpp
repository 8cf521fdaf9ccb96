#include "engine/power_off.h"

#include "platform/machine_control.h"

namespace larkspur::engine {

QString powerOffCancelledLine() {
    return QStringLiteral("Power-off cancelled: the computer stays on");
}

void powerOffLogged(platform::MachineControl& machine,
                    const std::function<void(const QString&)>& addLog) {
    addLog(QStringLiteral("Powering off"));
    if (const std::optional<QString> refusal = machine.requestPowerOff())
        addLog(QStringLiteral("The computer was not powered off: ") + *refusal);
}

} // namespace larkspur::engine
