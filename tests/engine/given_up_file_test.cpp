#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include "tests/support/qt_printers.h"

#include "engine/given_up_file.h"
#include "framework/errors.h"

using larkspur::engine::appendGivenUpLine;

namespace {

const QDateTime night(QDate(2026, 12, 8), QTime(3, 14, 15));

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

TEST(GivenUpFile, LinesAreAppendedInTheCodePageWithCrLfAndEarlierOnesKept) {
    QTemporaryDir dir;
    const QString path = dir.filePath("given-up.txt");
    QFile earlier(path);
    ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
    earlier.write("2026-12-07 02:00:00\thttp://old/\x98.zip\t404 Not Found\r\n");
    earlier.close();

    appendGivenUpLine(path, night, QString::fromUtf8("http://сервер/файл.zip"), "404 Not Found");
    appendGivenUpLine(path, night.addSecs(60), "https://a/b.iso", "stalled\r\nfor 120 s");
    EXPECT_EQ(contentOf(path),
              QByteArray("2026-12-07 02:00:00\thttp://old/\x98.zip\t404 Not Found\r\n"
                         "2026-12-08 03:14:15\thttp://\xF1\xE5\xF0\xE2\xE5\xF0/"
                         "\xF4\xE0\xE9\xEB.zip\t404 Not Found\r\n"
                         "2026-12-08 03:15:15\thttps://a/b.iso\tstalled  for 120 s\r\n"));
}

TEST(GivenUpFile, AFailureSaysWhyAndLeavesTheFileAsItWas) {
    QTemporaryDir dir;
    const QString kept = dir.filePath("kept.txt");
    QFile file(kept);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(100, 'k'));
    file.close();
    QDir(dir.path()).mkdir("folder");
    QFile::link(kept, dir.filePath("link.txt"));
    ::mkfifo(QFile::encodeName(dir.filePath("pipe")).constData(), 0600);

    std::signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    getrlimit(RLIMIT_FSIZE, &previous);
    const struct {
        QString path;
        rlim_t sizeLimit;
        const char* reason;
    } cases[] = {
        {dir.filePath("missing/given-up.txt"), previous.rlim_cur, "No such file or directory"},
        {dir.filePath("folder"), previous.rlim_cur, "Is a directory"},
        {dir.filePath("link.txt"), previous.rlim_cur, "Too many levels of symbolic links"},
        {dir.filePath("pipe"), previous.rlim_cur, "No such device or address"}, // no hang
        {"/dev/null", previous.rlim_cur, "It is not a plain file."},
        {kept, 120, "File too large"}, // a full disk: part of the line would fit
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        rlimit limit = previous;
        limit.rlim_cur = c.sizeLimit;
        setrlimit(RLIMIT_FSIZE, &limit);
        try {
            appendGivenUpLine(c.path, night, "http://a/b.zip", "404 Not Found");
            ADD_FAILURE() << "no error";
        } catch (const larkspur::Error& e) {
            EXPECT_EQ(e.message(), "Cannot append to file \"" + c.path + "\". " + c.reason);
        }
        setrlimit(RLIMIT_FSIZE, &previous);
    }
    EXPECT_EQ(contentOf(kept), QByteArray(100, 'k'));
}

} // namespace
