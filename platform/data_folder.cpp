#include "platform/data_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace larkspur::platform {

namespace {

constexpr mode_t OwnerOnly = 0700;

QString failure(const QString& folder) {
    return QStringLiteral("cannot make the folder \"%1\": %2")
        .arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace

QString userDataHome() {
    const QString configured = qEnvironmentVariable("XDG_DATA_HOME");
    if (QDir::isAbsolutePath(configured))
        return configured; // a relative one is invalid and ignored
    return QDir::homePath() + QStringLiteral("/.local/share");
}

// Only the start that makes the folder copies: a second start at the same moment finds it
// made and copies nothing over the first one's files.
DataFolder prepareDataFolder(const QString& home, const QString& dataHome) {
    DataFolder result{dataHome + QStringLiteral("/larkspur"), {}, {}};
    if (!QDir().mkpath(dataHome))
        return {result.path, QStringLiteral("cannot make the folder \"%1\"").arg(dataHome), {}};
    if (::mkdir(QFile::encodeName(result.path).constData(), OwnerOnly) != 0) {
        if (errno != EEXIST || !QFileInfo(result.path).isDir())
            result.failure = failure(result.path);
        return result;
    }
    ::chmod(QFile::encodeName(result.path).constData(), OwnerOnly); // whatever the umask
    for (const QString& name : WorkingFiles)
        if (QFile::copy(home + QLatin1Char('/') + name, result.path + QLatin1Char('/') + name))
            result.copied.append(name);
    return result;
}

} // namespace larkspur::platform
