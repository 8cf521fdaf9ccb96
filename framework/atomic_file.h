#pragma once

#include <QByteArray>
#include <QString>

namespace larkspur {

// Who may read a file the program writes.
enum class FileAccess {
    Shared,    // a new file gets 0666 less the umask; a replaced one keeps its mode
    OwnerOnly, // a new file gets 0600; a replaced one loses its group and other bits
};

// Replaces the file at `path` with `data` through a temporary file in the same
// folder and a rename, so a failed write leaves the previous file whole. A symbolic
// link is followed: the link stays and its target gets the data. A file whose write
// permission bits are all clear counts as read-only and is not replaced, even for
// root. Returns 0 or the errno value of the failure.
int writeFileAtomically(const QString& path, const QByteArray& data,
                        FileAccess access = FileAccess::Shared);

// Removes the temporary files that writes of `path` cut short (a crash, a power cut)
// left beside its target.
void removeStaleTemporaries(const QString& path);

// True when the file exists and none of its write permission bits is set.
bool isReadOnlyFile(const QString& path);

} // namespace larkspur
