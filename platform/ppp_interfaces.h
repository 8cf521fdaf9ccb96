#pragma once

#include <QString>
#include <vector>

namespace larkspur::platform {

struct PppInterface {
    int index = 0;
    QString name;
};

// The PPP interfaces that are up, by interface index, read from a sysfs class folder.
std::vector<PppInterface> pppInterfacesUp(const QString& interfacesDir);

// Only "ppp" and a unit number names an interface of pppd's here: any other text,
// such as "../x" from the far end's echo, names no interface and no pid file.
bool isPppInterfaceName(const QString& name);

// The pppd that runs an interface, from the pid file pppd keeps for it, as a pidfd
// that holds on to that very process; -1 when there is none or the pid no longer
// belongs to a process of that program name.
int pppdOfInterface(const QString& pidFileDir, const QString& interfaceName,
                    const QString& programName);

} // namespace larkspur::platform
