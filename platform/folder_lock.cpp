#include "platform/folder_lock.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace larkspur::platform {

namespace {

// Close-on-exec: a child left running must not hold the folder after we are gone.
int openLockFile(const QByteArray& path) {
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd >= 0 || errno == ELOOP)
        return fd;
    return ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW); // flock needs no write
}

} // namespace

FolderLock::FolderLock(const QString& folder)
    : fd_(openLockFile(QFile::encodeName(folder + QLatin1Char('/') + FileName))) {
    if (fd_ < 0)
        return;
    // Another user's file would let that user hold, or pose as, the lock of this folder.
    struct stat info {};
    if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid()) {
        state_ = State::Foreign;
        owner_ = info.st_uid;
        return;
    }
    int rc = 0;
    while ((rc = ::flock(fd_, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
    }
    if (rc == 0)
        state_ = State::Held;
    else if (errno == EWOULDBLOCK)
        state_ = State::HeldElsewhere;
}

FolderLock::~FolderLock() {
    if (fd_ >= 0)
        ::close(fd_);
}

} // namespace larkspur::platform
