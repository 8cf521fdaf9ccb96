#include "engine/given_up_file.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "framework/ansi_text.h"
#include "framework/errors.h"

namespace larkspur::engine {
namespace {

[[noreturn]] void fail(const QString& path, const QString& reason) {
    throw Error(QStringLiteral("Cannot append to file \"%1\". %2")
                    .arg(QFileInfo(path).absoluteFilePath(), reason));
}

[[noreturn]] void failWithErrno(const QString& path, int err) {
    fail(path, QString::fromLocal8Bit(std::strerror(err)));
}

// A reason may span lines; the file keeps one line per URL.
QString oneField(QString text) {
    for (QChar& c : text)
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QLatin1Char('\t'))
            c = QLatin1Char(' ');
    return text;
}

// 0, or the errno value of the write that failed.
int writeWhole(int fd, const QByteArray& data) {
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.constData() + done, size_t(data.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        done += n;
    }
    return 0;
}

} // namespace

void appendGivenUpLine(const QString& path, const QDateTime& when, const QString& url,
                       const QString& reason) {
    const QByteArray line =
        toAnsi(when.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")) + QLatin1Char('\t') +
               oneField(url) + QLatin1Char('\t') + oneField(reason)) +
        "\r\n";
    // Not blocking on a pipe, and never through a link someone may have planted.
    const int fd =
        ::open(QFile::encodeName(path).constData(),
               O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0666);
    if (fd < 0)
        failWithErrno(path, errno);
    struct stat before {};
    if (::fstat(fd, &before) != 0 || !S_ISREG(before.st_mode)) {
        ::close(fd);
        fail(path, QStringLiteral("It is not a plain file."));
    }
    if (const int err = writeWhole(fd, line)) {
        [[maybe_unused]] const int ignored = ::ftruncate(fd, before.st_size); // no half line
        ::close(fd);
        failWithErrno(path, err);
    }
    if (::close(fd) != 0)
        failWithErrno(path, errno);
}

} // namespace larkspur::engine
