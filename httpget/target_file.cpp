#include "httpget/target_file.h"

#include <QFile>
#include <cerrno>
#include <cstring>

#include "framework/atomic_file.h"
#include "platform/file_note.h"

namespace larkspur {

void TargetFile::reach(const QString& path) {
    path_ = path;
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const QString folder = slash < 0 ? QStringLiteral(".") : path.left(slash + 1);
    name_ = QFile::encodeName(path.mid(slash + 1));
    QString refused;
    const int error = folder_.open(folder, refused);
    if (error == UntrustedLink)
        throw TargetError(QStringLiteral("a link on the folder's path could be replaced by another "
                                         "user: %1; nothing written")
                              .arg(refused),
                          0);
    if (error != 0)
        throw TargetError(QStringLiteral("cannot open the folder %1: %2")
                              .arg(folder, QString::fromLocal8Bit(std::strerror(error))),
                          error);
}

bool TargetFile::occupied() const {
    return platform::NoFollowFile::occupied(folder_.descriptor(), name_);
}

void TargetFile::openExisting() {
    check(file_.openExisting(folder_.descriptor(), name_), QStringLiteral("open"));
    validatorOnDisk_ = true;
    if (!file_.isSolelyOurs()) {
        file_.close();
        throw TargetError(
            QStringLiteral("the partial file belongs to another user or has other names: left "
                           "alone"),
            0);
    }
}

void TargetFile::create() {
    check(file_.createNew(folder_.descriptor(), name_), QStringLiteral("create"));
    validatorOnDisk_ = false;
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
    if (unwrittenValidator_) {
        platform::keepNote(file_, *std::exchange(unwrittenValidator_, std::nullopt));
        validatorOnDisk_ = true;
    }
    check(file_.write(data, count), QStringLiteral("write"));
}

void TargetFile::confirm(std::int64_t size) const {
    if (!file_.isStillNamed() || file_.size() != size)
        throw TargetError(QStringLiteral("the file was removed or replaced while it was written"),
                          0);
}

void TargetFile::discard() {
    if (file_.isOpen())
        platform::dropNote(file_);
    file_.removeIfStillNamed();
}

void TargetFile::close() {
    folder_.close();
    check(file_.close(), QStringLiteral("close"));
}

std::optional<QByteArray> TargetFile::validator() const {
    return platform::readNote(file_);
}

void TargetFile::keepValidator(const QByteArray& validator) {
    unwrittenValidator_ = validator;
}

void TargetFile::forgetValidator() {
    unwrittenValidator_.reset();
    if (std::exchange(validatorOnDisk_, false))
        platform::dropNote(file_);
}

void TargetFile::check(int error, const QString& what) const {
    switch (error) {
    case 0:
        return;
    case ELOOP:
    case EISDIR:
        throw TargetError(QStringLiteral("the target is a link or not a regular file: left alone"),
                          error);
    case ENOSPC:
        throw TargetError(QStringLiteral("disk full"), error);
    case EDQUOT:
        throw TargetError(QStringLiteral("disk quota exceeded"), error);
    default:
        throw TargetError(QStringLiteral("cannot %1 %2: %3")
                              .arg(what, path_, QString::fromLocal8Bit(std::strerror(error))),
                          error);
    }
}

} // namespace larkspur
