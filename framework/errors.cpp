#include "framework/errors.h"

#include <cerrno>

namespace larkspur {

Error::Error(const QString& message) : std::runtime_error(message.toStdString()) {}

InOutError::InOutError(int code) : Error(messageFor(code)), code_(code) {}

InOutError::InOutError(int code, const QString& message) : Error(message), code_(code) {}

InOutError InOutError::fromErrno(int err) {
    if (const std::optional<int> code = codeForErrno(err))
        return InOutError(*code);
    return InOutError(err, QStringLiteral("I/O error %1").arg(err));
}

QString InOutError::messageFor(int code) {
    switch (code) {
    case FileNotFound:
        return QStringLiteral("File not found");
    case InvalidFilename:
        return QStringLiteral("Invalid filename");
    case TooManyOpenFiles:
        return QStringLiteral("Too many open files");
    case AccessDenied:
        return QStringLiteral("File access denied");
    case ReadBeyondEnd:
        return QStringLiteral("Read beyond end of file");
    case DiskFull:
        return QStringLiteral("Disk full");
    case InvalidNumericInput:
        return QStringLiteral("Invalid numeric input");
    default:
        return QStringLiteral("I/O error %1").arg(code);
    }
}

std::optional<int> InOutError::codeForErrno(int err) {
    switch (err) {
    case ENOENT:
        return FileNotFound;
    case ENAMETOOLONG:
    case EINVAL:
    case EISDIR:
    case ENOTDIR:
        return InvalidFilename;
    case EMFILE:
    case ENFILE:
        return TooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
        return AccessDenied;
    case ENOSPC:
    case EDQUOT:
        return DiskFull;
    default:
        return std::nullopt;
    }
}

Error cannotOpenFile(const QString& path, const QString& reason) {
    return Error(QStringLiteral("Cannot open file \"%1\". %2").arg(path, reason));
}

Error cannotCreateFile(const QString& path, const QString& reason) {
    return Error(QStringLiteral("Cannot create file \"%1\". %2").arg(path, reason));
}

Error notAValidInteger(const QString& text) {
    return Error(QStringLiteral("'%1' is not a valid integer value").arg(text));
}

} // namespace larkspur
