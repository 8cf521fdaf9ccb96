#pragma once

#include <QString>
#include <sys/types.h>
#include <vector>

namespace larkspur::platform {

struct PppInterface {
    int index = 0;
    QString name;
};

// The PPP interfaces that are up, by interface index, read from a sysfs class folder.
std::vector<PppInterface> pppInterfacesUp(const QString& interfacesDir);

// The pppd that runs an interface, from the pid file pppd keeps for it; 0 when there
// is none or the pid no longer belongs to a process of that program name.
pid_t pppdOfInterface(const QString& pidFileDir, const QString& interfaceName,
                      const QString& programName);

} // namespace larkspur::platform
