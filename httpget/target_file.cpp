#include "httpget/target_file.h"

#include <cerrno>
#include <cstring>

#include "framework/errors.h"

namespace larkspur {

bool TargetFile::occupied(const QString& path) {
    return platform::NoFollowFile::occupied(path);
}

void TargetFile::openExisting(const QString& path) {
    path_ = path;
    check(file_.openExisting(path), QStringLiteral("open"));
}

void TargetFile::create(const QString& path) {
    path_ = path;
    check(file_.createNew(path), QStringLiteral("create"));
}

std::int64_t TargetFile::size() const {
    const std::int64_t size = file_.size();
    check(size < 0 ? EIO : 0, QStringLiteral("size"));
    return size;
}

QByteArray TargetFile::readAt(std::int64_t offset, std::int64_t count) const {
    QByteArray bytes(qsizetype(count), Qt::Uninitialized);
    check(file_.readAt(offset, bytes.data(), count), QStringLiteral("read"));
    return bytes;
}

void TargetFile::cutAt(std::int64_t position) {
    check(file_.cutAt(position), QStringLiteral("cut"));
}

void TargetFile::seekToEnd() {
    check(file_.seekToEnd(), QStringLiteral("position in"));
}

void TargetFile::write(const char* data, std::int64_t count) {
    check(file_.write(data, count), QStringLiteral("write"));
}

void TargetFile::confirm(std::int64_t size) const {
    if (!file_.isNamedBy(path_) || file_.size() != size)
        throw Error(QStringLiteral("the file was removed or replaced while it was written"));
}

void TargetFile::discard() {
    file_.removeIfNamedBy(path_);
}

void TargetFile::close() {
    check(file_.close(), QStringLiteral("close"));
}

void TargetFile::check(int error, const QString& what) const {
    switch (error) {
    case 0:
        return;
    case ELOOP:
    case EISDIR:
        throw Error(QStringLiteral("the target is a link or not a regular file: left alone"));
    case ENOSPC:
        throw Error(QStringLiteral("disk full"));
    case EDQUOT:
        throw Error(QStringLiteral("disk quota exceeded"));
    default:
        throw Error(QStringLiteral("cannot %1 %2: %3")
                        .arg(what, path_, QString::fromLocal8Bit(std::strerror(error))));
    }
}

} // namespace larkspur
