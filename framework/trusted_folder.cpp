#include "framework/trusted_folder.h"

#include <QFile>
#include <QList>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "framework/atomic_file.h"

namespace larkspur {

namespace {

constexpr int MaxLinkHops = 40; // as the kernel allows before ELOOP

bool ownedByUsOrRoot(const struct stat& info) {
    return info.st_uid == ::geteuid() || info.st_uid == 0;
}

QList<QByteArray> componentsOf(const QByteArray& path) {
    QList<QByteArray> parts = path.split('/');
    parts.removeAll(QByteArray());
    parts.removeAll(QByteArray("."));
    return parts;
}

int openRoot(const QByteArray& path) {
    return ::open(path.startsWith('/') ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC);
}

// The link `name` in `folder`, when it may be followed; its target in `target`.
int followable(int folder, const QByteArray& name, QByteArray& target) {
    struct stat link {};
    struct stat parent {};
    if (::fstatat(folder, name.constData(), &link, AT_SYMLINK_NOFOLLOW) != 0 ||
        ::fstat(folder, &parent) != 0)
        return errno;
    if (!S_ISLNK(link.st_mode))
        return ENOTDIR;
    if (!isTrustedLink(link, parent))
        return UntrustedLink;
    target = QByteArray(PATH_MAX, '\0');
    const ssize_t length = ::readlinkat(folder, name.constData(), target.data(), PATH_MAX);
    if (length < 0)
        return errno;
    target.truncate(length);
    return 0;
}

// The folder in one system call where no link lies on its path, the usual case; -1
// otherwise, or where the kernel lacks the call.
int openWithoutLinks(const QByteArray& path) {
    open_how how{};
    how.flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    how.resolve = RESOLVE_NO_SYMLINKS;
    return int(::syscall(SYS_openat2, AT_FDCWD, path.constData(), &how, sizeof how));
}

} // namespace

bool isTrustedLink(const struct stat& link, const struct stat& folder) {
    return ownedByUsOrRoot(link) && ownedByUsOrRoot(folder) &&
           (folder.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

TrustedFolder::~TrustedFolder() {
    close();
}

void TrustedFolder::close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

int TrustedFolder::open(const QString& path, QString& refused) {
    close();
    const QByteArray wanted = QFile::encodeName(path);
    fd_ = openWithoutLinks(wanted);
    return fd_ >= 0 ? 0 : walk(wanted, refused); // links and failures: step by step
}

int TrustedFolder::walk(const QByteArray& wanted, QString& refused) {
    int current = openRoot(wanted);
    QList<QByteArray> left = componentsOf(wanted);
    QByteArray walked = wanted.startsWith('/') ? "/" : "";
    int error = current < 0 ? errno : 0;
    for (int hops = 0; error == 0 && !left.isEmpty();) {
        const QByteArray name = left.takeFirst();
        const int next =
            ::openat(current, name.constData(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        walked += name;
        if (next >= 0) {
            ::close(current);
            current = next;
            walked += '/';
            continue;
        }
        QByteArray target;
        error = (errno == ELOOP || errno == ENOTDIR) ? followable(current, name, target) : errno;
        if (error == 0 && ++hops > MaxLinkHops)
            error = ELOOP;
        if (error == UntrustedLink)
            refused = QFile::decodeName(walked);
        if (error != 0)
            break;
        left = componentsOf(target) + left;
        walked += '/';
        if (target.startsWith('/')) {
            ::close(current);
            current = openRoot(target);
        }
    }
    if (error == 0) {
        fd_ = ::openat(current, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        error = fd_ < 0 ? errno : 0;
    }
    if (current >= 0)
        ::close(current);
    return error;
}

} // namespace larkspur
