#include "platform/no_follow_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace larkspur::platform {

namespace {

int lastError() {
    return errno != 0 ? errno : EIO;
}

} // namespace

NoFollowFile::~NoFollowFile() {
    close();
}

bool NoFollowFile::occupied(int folder, const QByteArray& name) {
    struct stat info {};
    return ::fstatat(folder, name.constData(), &info, AT_SYMLINK_NOFOLLOW) == 0;
}

int NoFollowFile::openExisting(int folder, const QByteArray& name) {
    return open(folder, name, O_RDWR);
}

int NoFollowFile::createNew(int folder, const QByteArray& name) {
    return open(folder, name, O_RDWR | O_CREAT | O_EXCL);
}

int NoFollowFile::open(int folder, const QByteArray& name, int flags) {
    close();
    // Non-blocking, so that a fifo planted under the name cannot hold the open.
    const int fd =
        ::openat(folder, name.constData(), flags | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0)
        return lastError();
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return ELOOP;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    fd_ = fd;
    folder_ = folder;
    name_ = name;
    return 0;
}

bool NoFollowFile::isSolelyOurs() const {
    struct stat info {};
    return ::fstat(fd_, &info) == 0 && info.st_uid == ::geteuid() && info.st_nlink == 1;
}

std::int64_t NoFollowFile::size() const {
    struct stat info {};
    return ::fstat(fd_, &info) == 0 ? std::int64_t(info.st_size) : -1;
}

int NoFollowFile::readAt(std::int64_t offset, char* data, std::int64_t count) const {
    while (count > 0) {
        const ssize_t got = ::pread(fd_, data, std::size_t(count), off_t(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return got == 0 ? EIO : lastError();
        data += got;
        offset += got;
        count -= got;
    }
    return 0;
}

int NoFollowFile::cutAt(std::int64_t size) {
    if (::ftruncate(fd_, off_t(size)) != 0 || ::lseek(fd_, off_t(size), SEEK_SET) < 0)
        return lastError();
    return 0;
}

int NoFollowFile::seekToEnd() {
    return ::lseek(fd_, 0, SEEK_END) < 0 ? lastError() : 0;
}

int NoFollowFile::write(const char* data, std::int64_t count) {
    while (count > 0) {
        const ssize_t put = ::write(fd_, data, std::size_t(count));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return put == 0 ? EIO : lastError();
        data += put;
        count -= put;
    }
    return 0;
}

bool NoFollowFile::isStillNamed() const {
    struct stat named {};
    struct stat open {};
    return ::fstatat(folder_, name_.constData(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
           ::fstat(fd_, &open) == 0 && named.st_dev == open.st_dev && named.st_ino == open.st_ino;
}

void NoFollowFile::removeIfStillNamed() {
    if (isOpen() && isStillNamed())
        ::unlinkat(folder_, name_.constData(), 0);
    close();
}

int NoFollowFile::close() {
    if (fd_ < 0)
        return 0;
    const int result = ::close(fd_);
    fd_ = -1;
    return result == 0 ? 0 : lastError();
}

} // namespace larkspur::platform
