#pragma once

#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace larkspur::test {

// What the code under test writes to standard error meanwhile.
class StandardErrorCapture {
public:
    StandardErrorCapture() : saved_(::dup(2)) {
        std::fflush(stderr);
        const int file = ::open(QFile::encodeName(dir_.filePath("stderr")).constData(),
                                O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        ::dup2(file, 2);
        ::close(file);
    }
    ~StandardErrorCapture() {
        std::fflush(stderr);
        ::dup2(saved_, 2);
        ::close(saved_);
    }
    QString text() {
        std::fflush(stderr);
        QFile file(dir_.filePath("stderr"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

private:
    QTemporaryDir dir_;
    int saved_;
};

} // namespace larkspur::test
