#pragma once

#include <QString>
#include <functional>

namespace larkspur::platform {
class MachineControl;
}

namespace larkspur::engine {

// The log's line when whoever was there cancelled the power-off.
QString powerOffCancelledLine();

// The power-off at the end of a job, when its countdown has run out: "Powering off" in
// the log, then the request; a refusal goes to the log with its reason.
void powerOffLogged(platform::MachineControl& machine,
                    const std::function<void(const QString&)>& addLog);

} // namespace larkspur::engine
