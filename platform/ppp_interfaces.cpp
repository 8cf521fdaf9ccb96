#include "platform/ppp_interfaces.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <algorithm>
#include <optional>
#include <unistd.h>

#include "platform/pidfd.h"

namespace larkspur::platform {
namespace {

constexpr int pppHardwareType = 512; // ARPHRD_PPP
constexpr unsigned interfaceUpFlag = 0x1;

QByteArray readSmallFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(4096).trimmed();
}

std::optional<PppInterface> pppInterfaceUp(const QDir& interfaceDir) {
    bool ok = false;
    if (readSmallFile(interfaceDir.filePath("type")).toInt(&ok) != pppHardwareType || !ok)
        return std::nullopt;
    const unsigned flags = readSmallFile(interfaceDir.filePath("flags")).toUInt(&ok, 16);
    if (!ok || (flags & interfaceUpFlag) == 0)
        return std::nullopt;
    const int index = readSmallFile(interfaceDir.filePath("ifindex")).toInt(&ok);
    if (!ok || index <= 0)
        return std::nullopt;
    return PppInterface{index, interfaceDir.dirName()};
}

} // namespace

std::vector<PppInterface> pppInterfacesUp(const QString& interfacesDir) {
    std::vector<PppInterface> up;
    const QDir dir(interfacesDir);
    for (const QString& name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System))
        if (const auto found = pppInterfaceUp(QDir(dir.filePath(name))))
            up.push_back(*found);
    std::ranges::sort(up, {}, &PppInterface::index);
    return up;
}

bool isPppInterfaceName(const QString& name) {
    static const QRegularExpression pppName(QStringLiteral("^ppp[0-9]{1,5}$"));
    return pppName.match(name).hasMatch();
}

int pppdOfInterface(const QString& pidFileDir, const QString& interfaceName,
                    const QString& programName) {
    if (!isPppInterfaceName(interfaceName))
        return -1;
    bool ok = false;
    const QByteArray firstLine =
        readSmallFile(QDir(pidFileDir).filePath(interfaceName + ".pid")).split('\n').value(0);
    const pid_t pid = firstLine.trimmed().toInt(&ok);
    if (!ok || pid <= 0)
        return -1;
    // Held first, then checked: the name read afterwards is that of the process held.
    const int pidfd = openPidfd(pid);
    if (pidfd < 0)
        return -1;
    if (readSmallFile(QStringLiteral("/proc/%1/comm").arg(pid)) != programName.toUtf8()) {
        ::close(pidfd);
        return -1;
    }
    return pidfd;
}

} // namespace larkspur::platform
