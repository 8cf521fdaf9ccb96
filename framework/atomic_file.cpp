#include "framework/atomic_file.h"

#include <QFile>
#include <QRandomGenerator>
#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

#include "framework/trusted_folder.h"

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

// The folder that a write of `path` really changes, reached along trusted links only, and
// the name in it; a trusted link in the last name is followed too, and a missing file is
// created where the last link points.
int reachTarget(QByteArray path, TrustedFolder& folder, QByteArray& name) {
    for (int hops = 0; hops < maxLinkHops; ++hops) {
        QString refused;
        const QByteArray folderPath = folderOf(path);
        if (const int err =
                folder.open(QFile::decodeName(folderPath.isEmpty() ? "." : folderPath), refused))
            return err;
        name = nameOf(path);
        struct stat link {};
        struct stat parent {};
        if (::fstatat(folder.descriptor(), name.constData(), &link, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISLNK(link.st_mode))
            return 0;
        if (::fstat(folder.descriptor(), &parent) != 0 || !isTrustedLink(link, parent))
            return UntrustedLink;
        QByteArray target(PATH_MAX, '\0');
        const ssize_t length =
            ::readlinkat(folder.descriptor(), name.constData(), target.data(), PATH_MAX);
        if (length < 0)
            return errno;
        target.truncate(length);
        path = target.startsWith('/') ? target : folderPath + target;
    }
    return ELOOP;
}

// ".NAME.larkspur-" before the random part, so a left-over one is known as ours.
QByteArray temporaryPrefix(const QByteArray& name) {
    return '.' + name + temporaryMark;
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
int createTemporary(int folder, const QByteArray& target, mode_t mode, QByteArray& name) {
    for (int tries = 0; tries < temporaryTries; ++tries) {
        name = temporaryPrefix(target) + randomPart();
        const int fd = ::openat(folder, name.constData(),
                                O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// The mode the temporary file needs before it takes the target's place; nothing
// when a new file's creation mode is right as it is. Only a file of the running user's
// own passes its mode on, and never more than reading and writing.
std::optional<mode_t> replacedMode(int folder, const QByteArray& target, FileAccess access) {
    struct stat st {};
    if (::fstatat(folder, target.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
        st.st_uid != ::geteuid())
        return std::nullopt;
    const mode_t mode = st.st_mode & 0666;
    return access == FileAccess::OwnerOnly ? mode & ~mode_t{077} : mode;
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
    TrustedFolder folder;
    QByteArray target;
    if (const int err = reachTarget(QFile::encodeName(path), folder, target))
        return err;
    const int dir = folder.descriptor();
    const std::optional<mode_t> mode = replacedMode(dir, target, access);
    QByteArray temporary;
    const int fd =
        createTemporary(dir, target, access == FileAccess::OwnerOnly ? 0600 : 0666, temporary);
    if (fd < 0)
        return errno;
    int err = writeAll(fd, data);
    if (err == 0 && mode && ::fchmod(fd, *mode) != 0)
        err = errno;
    if (err == 0 && ::fsync(fd) != 0)
        err = errno;
    if (::close(fd) != 0 && err == 0)
        err = errno;
    if (err == 0 && ::renameat(dir, temporary.constData(), dir, target.constData()) != 0)
        err = errno;
    if (err != 0)
        ::unlinkat(dir, temporary.constData(), 0);
    else
        ::fsync(dir); // the new name survives a power cut; the data is in place already
    return err;
}

QString writeFailureReason(int err) {
    if (err == UntrustedLink)
        return QStringLiteral("It is a link that another user made or could replace, so it is "
                              "not followed");
    return QString::fromLocal8Bit(std::strerror(err));
}

void removeStaleTemporaries(const QString& path) {
    TrustedFolder folder;
    QByteArray target;
    if (reachTarget(QFile::encodeName(path), folder, target) != 0)
        return;
    const QByteArray prefix = temporaryPrefix(target);
    DIR* listing = ::fdopendir(::dup(folder.descriptor()));
    if (!listing)
        return;
    while (const dirent* entry = ::readdir(listing)) {
        const QByteArray name(entry->d_name);
        if (name.startsWith(prefix) && name.size() == prefix.size() + randomLength)
            ::unlinkat(folder.descriptor(), name.constData(), 0);
    }
    ::closedir(listing);
}

} // namespace larkspur
