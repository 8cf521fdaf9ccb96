#include "app/settings_storage.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "framework/ansi_text.h"
#include "framework/atomic_file.h"
#include "framework/errors.h"
#include "platform/file_owner.h"

using larkspur::InOutError;

namespace {

[[noreturn]] void raiseInOut(int err) {
    throw InOutError::fromErrno(err);
}

QString fullPath(const QString& path) {
    return QFileInfo(path).absoluteFilePath();
}

// Reads up to `size` bytes; fewer only at the end of the file.
QByteArray readUpTo(int fd, qsizetype size) {
    QByteArray data(size, '\0');
    qsizetype done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, data.data() + done, static_cast<size_t>(size - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            raiseInOut(errno);
        if (n == 0)
            break;
        done += n;
    }
    data.truncate(done);
    return data;
}

// As root, a file another user planted (or a link to one) could feed the job anything.
void refuseForeignFile(const QString& path) {
    if (larkspur::platform::isForeignToRoot(path))
        throw larkspur::Error(
            QStringLiteral("\"%1\" is a link or belongs to another user, so it is not read; "
                           "the defaults are used and nothing is saved over it")
                .arg(fullPath(path)));
}

} // namespace

SettingsRecord readSettingsFile(const QString& path) {
    refuseForeignFile(path);
    if (larkspur::isReadOnlyFile(path))
        raiseInOut(EACCES);
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        raiseInOut(errno);
    QByteArray data;
    try {
        data = readUpTo(fd, SettingsRecord::Size);
    } catch (...) {
        ::close(fd);
        throw;
    }
    if (::close(fd) != 0)
        raiseInOut(errno);
    if (data.size() < SettingsRecord::Size)
        throw InOutError(InOutError::ReadBeyondEnd);
    return SettingsRecord::fromBytes(data);
}

void writeSettingsFile(const QString& path, const SettingsRecord& record) {
    // The password in it is scrambled, not encrypted: only its owner may read it.
    const int err =
        larkspur::writeFileAtomically(path, record.toBytes(), larkspur::FileAccess::OwnerOnly);
    if (err == larkspur::UntrustedLink)
        throw larkspur::Error(larkspur::writeFailureReason(err));
    if (err != 0)
        raiseInOut(err);
}

QString readFolderFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.read(64 * 1024)).section(QLatin1Char('\n'), 0, 0);
}

void writeFolderFile(const QString& path, const QString& folder) {
    if (folder.isEmpty()) {
        QFile file(path);
        if (file.exists() && !file.remove())
            throw larkspur::Error(QStringLiteral("Cannot delete file \"%1\". %2")
                                      .arg(fullPath(path), file.errorString()));
        return;
    }
    if (const int err = larkspur::writeFileAtomically(path, folder.toUtf8() + '\n'))
        throw larkspur::cannotCreateFile(fullPath(path), larkspur::writeFailureReason(err));
}

QString withCrLfLineBreaks(const QString& text) {
    QString result;
    result.reserve(text.size() + text.size() / 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\r')) {
            result += QLatin1String("\r\n");
            if (i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
                ++i;
        } else if (c == QLatin1Char('\n')) {
            result += QLatin1String("\r\n");
        } else {
            result += c;
        }
    }
    return result;
}

QString readUrlList(const QString& path) {
    refuseForeignFile(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw larkspur::cannotOpenFile(fullPath(path), file.errorString());
    if (file.size() > UrlListCapacity)
        throw larkspur::Error(QStringLiteral("Text exceeds memo capacity"));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw larkspur::cannotOpenFile(fullPath(path), file.errorString());
    return withCrLfLineBreaks(larkspur::fromAnsi(bytes));
}

void writeUrlList(const QString& path, const QString& text) {
    if (const int err = larkspur::writeFileAtomically(path, larkspur::toAnsi(text)))
        throw larkspur::cannotCreateFile(fullPath(path), larkspur::writeFailureReason(err));
}
