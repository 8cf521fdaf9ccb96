#include "engine/kept_logs.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace larkspur::engine {

namespace {

QString logName(int generation) {
    return generation == 0 ? QStringLiteral("log.txt")
                           : QStringLiteral("log.%1.txt").arg(generation);
}

// rename() replaces the target in one step, a link as a link.
QString moveUp(const QString& folder, int generation) {
    const QString from = folder + QLatin1Char('/') + logName(generation);
    const QString to = folder + QLatin1Char('/') + logName(generation + 1);
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0 ||
        errno == ENOENT)
        return {};
    return QStringLiteral("%1 was not kept as %2: %3")
        .arg(from, logName(generation + 1), QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace

QStringList reservedLogNames() {
    QStringList names;
    for (int generation = 0; generation <= KeptLogGenerations; ++generation)
        names.append(logName(generation));
    return names;
}

QString keepPreviousLogs(const QString& folder) {
    const QFileInfo log(folder + QLatin1Char('/') + logName(0));
    if (!log.exists() && !log.isSymLink())
        return {};
    for (int generation = KeptLogGenerations - 1; generation >= 0; --generation)
        if (const QString failure = moveUp(folder, generation); !failure.isEmpty())
            return failure;
    return {};
}

} // namespace larkspur::engine
