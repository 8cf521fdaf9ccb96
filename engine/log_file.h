#pragma once

#include <QString>
#include <QStringList>

namespace larkspur::engine {

// The job's log, in the download folder.
inline const QString LogFileName = QStringLiteral("log.txt");

// Replaces the log file of `folder` with `lines`, each ended by CR LF, in the program's
// code page; raises "Cannot create file ...".
void writeLogFile(const QString& folder, const QStringList& lines);

} // namespace larkspur::engine

using larkspur::engine::LogFileName;
