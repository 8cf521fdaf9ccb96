#pragma once

#include <QByteArray>
#include <QString>

namespace larkspur {

// Who may read a file the program writes.
enum class FileAccess {
    Shared,    // a new file gets 0666 less the umask; a replaced one keeps its mode
    OwnerOnly, // a new file gets 0600; a replaced one loses its group and other bits
};

// The failure of a write through a symbolic link that another user made, or that sits
// in a folder others can write: such a link may be planted to have us replace another
// file, so it is not followed. Not an errno value.
constexpr int UntrustedLink = -1;

// Replaces the file at `path` with `data` through a temporary file in the same
// folder and a rename, so a failed write leaves the previous file whole. A symbolic
// link of the user's own, in a folder only its owner (or root) can write, is followed:
// the link stays and its target gets the data. A file whose write permission bits are
// all clear counts as read-only and is not replaced, even for root. Returns 0, the
// errno value of the failure, or UntrustedLink.
int writeFileAtomically(const QString& path, const QByteArray& data,
                        FileAccess access = FileAccess::Shared);

// The reason of a failure that writeFileAtomically returned, for a message.
QString writeFailureReason(int err);

// Removes the temporary files that writes of `path` cut short (a crash, a power cut)
// left beside its target.
void removeStaleTemporaries(const QString& path);

// True when the file exists and none of its write permission bits is set.
bool isReadOnlyFile(const QString& path);

} // namespace larkspur
