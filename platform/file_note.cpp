#include "platform/file_note.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace larkspur::platform {

namespace {

constexpr const char* Attribute = "user.larkspur.validator";
constexpr std::size_t MaxNote = 4096;

bool lacksAttributes(int error) {
    return error == ENOTSUP || error == EPERM;
}

QByteArray companionName(const NoFollowFile& file) {
    return '.' + file.name() + ".larkspur-note";
}

QByteArray inodeLine(const NoFollowFile& file) {
    struct stat info {};
    ::fstat(file.descriptor(), &info);
    return QByteArray::number(qulonglong(info.st_ino)) + '\n';
}

std::optional<QByteArray> readCompanion(const NoFollowFile& file) {
    const int fd = ::openat(file.folder(), companionName(file).constData(),
                            O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    QByteArray text(MaxNote, Qt::Uninitialized);
    const ssize_t got = ::read(fd, text.data(), MaxNote);
    ::close(fd);
    text.truncate(std::max<ssize_t>(got, 0));
    const QByteArray line = inodeLine(file);
    if (!text.startsWith(line))
        return std::nullopt;
    return text.mid(line.size());
}

void writeCompanion(const NoFollowFile& file, const QByteArray& note) {
    const QByteArray name = companionName(file);
    ::unlinkat(file.folder(), name.constData(), 0);
    const int fd = ::openat(file.folder(), name.constData(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    const QByteArray text = inodeLine(file) + note;
    [[maybe_unused]] const ssize_t put = ::write(fd, text.constData(), std::size_t(text.size()));
    ::close(fd);
}

} // namespace

std::optional<QByteArray> readNote(const NoFollowFile& file) {
    QByteArray note(MaxNote, Qt::Uninitialized);
    const ssize_t size = ::fgetxattr(file.descriptor(), Attribute, note.data(), MaxNote);
    if (size >= 0)
        return note.left(size);
    return lacksAttributes(errno) ? readCompanion(file) : std::nullopt;
}

void keepNote(const NoFollowFile& file, const QByteArray& note) {
    if (::fsetxattr(file.descriptor(), Attribute, note.constData(), std::size_t(note.size()), 0) !=
            0 &&
        lacksAttributes(errno))
        writeCompanion(file, note);
}

void dropNote(const NoFollowFile& file) {
    ::fremovexattr(file.descriptor(), Attribute);
    ::unlinkat(file.folder(), companionName(file).constData(), 0);
}

} // namespace larkspur::platform
