#include "framework/atomic_file.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace larkspur {

namespace {

constexpr int maxLinkHops = 40; // as the kernel allows before ELOOP
constexpr int temporaryTries = 100;
constexpr qsizetype randomLength = 6;
const QByteArray temporaryMark = ".larkspur-";

int writeAll(int fd, const QByteArray& data) {
    const char* p = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        p += n;
        left -= n;
    }
    return 0;
}

// The folder part of a path with its trailing slash; empty for a bare name.
QByteArray folderOf(const QByteArray& path) {
    return path.left(path.lastIndexOf('/') + 1);
}

QByteArray nameOf(const QByteArray& path) {
    return path.mid(path.lastIndexOf('/') + 1);
}

// A link is ours to follow when we made it and no one else can replace it: its folder
// belongs to us or to root and neither its group nor others may write there.
bool trustedLink(const QByteArray& path, const struct stat& link) {
    if (link.st_uid != ::geteuid())
        return false;
    const QByteArray folder = folderOf(path);
    struct stat st {};
    if (::stat(folder.isEmpty() ? "." : folder.constData(), &st) != 0)
        return false;
    return (st.st_uid == ::geteuid() || st.st_uid == 0) && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// Follows symbolic links to the file a write really replaces; a missing file is
// created where the last link points.
int resolveLinks(QByteArray& path) {
    for (int hops = 0; hops < maxLinkHops; ++hops) {
        struct stat st {};
        if (::lstat(path.constData(), &st) != 0 || !S_ISLNK(st.st_mode))
            return 0;
        if (!trustedLink(path, st))
            return UntrustedLink;
        QByteArray link(PATH_MAX, '\0');
        const ssize_t length = ::readlink(path.constData(), link.data(), PATH_MAX);
        if (length < 0)
            return errno;
        link.truncate(length);
        path = link.startsWith('/') ? link : folderOf(path) + link;
    }
    return ELOOP;
}

// ".NAME.larkspur-" before the random part, so a left-over one is known as ours.
QByteArray temporaryPrefix(const QByteArray& target) {
    return folderOf(target) + '.' + nameOf(target) + temporaryMark;
}

QByteArray randomPart() {
    static constexpr char alphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray part(randomLength, '\0');
    for (char& c : part)
        c = alphabet[QRandomGenerator::global()->bounded(static_cast<int>(sizeof alphabet - 1))];
    return part;
}

// Opens a new temporary file beside `target`. The mode is given at creation, so the
// process umask is never touched while other threads create files.
int createTemporary(const QByteArray& target, mode_t mode, QByteArray& name) {
    for (int tries = 0; tries < temporaryTries; ++tries) {
        name = temporaryPrefix(target) + randomPart();
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// The mode the temporary file needs before it takes the target's place; nothing
// when a new file's creation mode is right as it is.
std::optional<mode_t> replacedMode(const QByteArray& target, FileAccess access) {
    struct stat st {};
    if (::stat(target.constData(), &st) != 0)
        return std::nullopt;
    const mode_t mode = st.st_mode & 07777;
    return access == FileAccess::OwnerOnly ? mode & ~mode_t{077} : mode;
}

// After the rename, so the new name itself survives a power cut. The data is in
// place by then, so a folder that cannot be synced is no failure of the write.
void syncFolder(const QByteArray& target) {
    const QByteArray folder = folderOf(target);
    const int fd =
        ::open(folder.isEmpty() ? "." : folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

bool isReadOnlyFile(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode) &&
           (st.st_mode & 0222) == 0;
}

int writeFileAtomically(const QString& path, const QByteArray& data, FileAccess access) {
    if (isReadOnlyFile(path))
        return EACCES;
    QByteArray target = QFile::encodeName(path);
    if (const int err = resolveLinks(target))
        return err;
    const std::optional<mode_t> mode = replacedMode(target, access);
    QByteArray temporary;
    const int fd =
        createTemporary(target, access == FileAccess::OwnerOnly ? 0600 : 0666, temporary);
    if (fd < 0)
        return errno;
    int err = writeAll(fd, data);
    if (err == 0 && mode && ::fchmod(fd, *mode) != 0)
        err = errno;
    if (err == 0 && ::fsync(fd) != 0)
        err = errno;
    if (::close(fd) != 0 && err == 0)
        err = errno;
    if (err == 0 && ::rename(temporary.constData(), target.constData()) != 0)
        err = errno;
    if (err != 0)
        ::unlink(temporary.constData());
    else
        syncFolder(target);
    return err;
}

QString writeFailureReason(int err) {
    if (err == UntrustedLink)
        return QStringLiteral("It is a link that another user made or could replace, so it is "
                              "not followed");
    return QString::fromLocal8Bit(std::strerror(err));
}

void removeStaleTemporaries(const QString& path) {
    QByteArray target = QFile::encodeName(path);
    if (resolveLinks(target) != 0)
        return;
    const QByteArray folder = folderOf(target);
    const QByteArray prefix = nameOf(temporaryPrefix(target));
    const QDir listed(QFile::decodeName(folder.isEmpty() ? "." : folder));
    for (const QString& entry : listed.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        const QByteArray name = QFile::encodeName(entry);
        if (name.startsWith(prefix) && name.size() == prefix.size() + randomLength)
            ::unlink((folder + name).constData());
    }
}

} // namespace larkspur
