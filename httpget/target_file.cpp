#include "httpget/target_file.h"

#include <QFileInfo>

#include "framework/errors.h"

namespace larkspur {

bool TargetFile::exists(const QString& path) {
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

void TargetFile::openExisting(const QString& path) {
    open(path, QIODevice::ReadWrite | QIODevice::Unbuffered);
}

void TargetFile::create(const QString& path) {
    open(path, QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered);
}

qint64 TargetFile::size() const {
    return file_.size();
}

void TargetFile::cutAt(qint64 position) {
    if (!file_.seek(position) || !file_.resize(position))
        fail(QStringLiteral("Cannot cut"));
}

void TargetFile::write(const char* data, qint64 count) {
    if (file_.write(data, count) != count)
        fail(QStringLiteral("Cannot write"));
}

void TargetFile::close() {
    if (!file_.isOpen())
        return;
    file_.close();
    if (file_.error() != QFileDevice::NoError)
        fail(QStringLiteral("Cannot close"));
}

void TargetFile::open(const QString& path, QIODevice::OpenMode mode) {
    file_.setFileName(path);
    if (!file_.open(mode))
        fail(QStringLiteral("Cannot open"));
}

void TargetFile::fail(const QString& what) const {
    throw Error(QStringLiteral("%1 \"%2\": %3").arg(what, file_.fileName(), file_.errorString()));
}

} // namespace larkspur
