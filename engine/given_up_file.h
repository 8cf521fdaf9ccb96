#pragma once

#include <QDateTime>
#include <QString>

namespace larkspur::engine {

// The file beside the URL list that keeps the lines given up, so that no URL the user
// typed is lost once the log is overwritten. One line each, in the program's code page
// with CR LF: the local date and time, the URL and the last reason, separated by tabs.
inline const QString GivenUpFileName = QStringLiteral("given-up.txt");

// Appends one line to the file at `path`, creating it. Earlier lines are never touched:
// a write that fails (a full disk) is taken back whole. Raises larkspur::Error saying
// why; a link or anything but a plain file at `path` is refused.
void appendGivenUpLine(const QString& path, const QDateTime& when, const QString& url,
                       const QString& reason);

} // namespace larkspur::engine
