#pragma once

#include <QString>
#include <QStringList>

namespace larkspur::engine {

// The logs of earlier jobs kept beside the log: "log.1.txt" is the last job's, up to
// "log.3.txt".
constexpr int KeptLogGenerations = 3;

// The log's name and those of the kept logs: no download may be saved under one of them.
QStringList reservedLogNames();

// When a job starts: the log of the previous one becomes "log.1.txt", and each kept log
// moves one generation up, the oldest dropped. Every step is a rename, so a cut leaves
// each log whole under one name or the next. Nothing moves without a log. Returns why a
// step failed, empty when all went well.
QString keepPreviousLogs(const QString& folder);

} // namespace larkspur::engine
