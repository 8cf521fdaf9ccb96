#pragma once

#include <QString>
#include <sys/types.h>

namespace larkspur::platform {

// Keeps a second copy of the program out of a working folder: an flock on a file there,
// which the kernel releases however the holder ends, a crash included. The lock file
// is never removed, so a copy cannot lock a name that another is about to delete.
class FolderLock {
public:
    enum class State {
        Held,          // this copy works in the folder
        HeldElsewhere, // another copy does
        Unavailable,   // the lock file cannot be opened (a read-only folder)
        Foreign,       // the lock file is no regular file of the running user's own
    };

    explicit FolderLock(const QString& folder);
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    ~FolderLock();

    State state() const { return state_; }
    // Who owns a Foreign lock file.
    uid_t owner() const { return owner_; }

    static inline const QString FileName = QStringLiteral(".larkspur.lock");

private:
    int fd_ = -1;
    State state_ = State::Unavailable;
    uid_t owner_ = 0;
};

} // namespace larkspur::platform
