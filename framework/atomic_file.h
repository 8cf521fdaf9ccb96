#pragma once

#include <QByteArray>
#include <QString>

namespace larkspur {

// Replaces the file at `path` with `data` through a temporary file in the same
// folder and a rename, so a failed write leaves the previous file whole. A file
// whose write permission bits are all clear counts as read-only and is not
// replaced, even for root. Returns 0 or the errno value of the failure.
int writeFileAtomically(const QString& path, const QByteArray& data);

// True when the file exists and none of its write permission bits is set.
bool isReadOnlyFile(const QString& path);

} // namespace larkspur
