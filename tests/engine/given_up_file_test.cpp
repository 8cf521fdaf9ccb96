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

class GivenUpFile : public ::testing::Test {
protected:
    void SetUp() override {
        QFile file(kept);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(earlier);
    }
    QTemporaryDir dir;
    const QString kept = dir.filePath("given-up.txt");
    const QByteArray earlier = "2026-12-07 02:00:00\thttp://old/\x98.zip\t404 Not Found\r\n";
};

TEST_F(GivenUpFile, LinesAreAddedInTheCodePageWithCrLfAfterTheEarlierOnes) {
    appendGivenUpLine(kept, night, QString::fromUtf8("http://сервер/ф.zip"), "404 Not Found");
    appendGivenUpLine(kept, night.addSecs(60), "https://a/b.iso", "stalled\r\nfor 120 s");
    EXPECT_EQ(contentOf(kept), earlier +
                                   "2026-12-08 03:14:15\thttp://\xF1\xE5\xF0\xE2\xE5\xF0/"
                                   "\xF4.zip\t404 Not Found\r\n"
                                   "2026-12-08 03:15:15\thttps://a/b.iso\tstalled  for 120 s\r\n");
}

TEST_F(GivenUpFile, AFailureSaysWhyAndLeavesTheFileAsItWas) {
    QFile::link(kept, dir.filePath("link.txt"));
    ::mkfifo(QFile::encodeName(dir.filePath("pipe")).constData(), 0600);
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit unlimited{};
    getrlimit(RLIMIT_FSIZE, &unlimited);
    const std::tuple<QString, rlim_t, QString> cases[] = {
        {dir.filePath("missing/given-up.txt"), unlimited.rlim_cur, "No such file or directory"},
        {dir.filePath("link.txt"), unlimited.rlim_cur, "Too many levels of symbolic links"},
        {dir.filePath("pipe"), unlimited.rlim_cur, "No such device or address"}, // no hang
        {"/dev/null", unlimited.rlim_cur, "It is not a plain file."},
        {kept, earlier.size() + 20, "File too large"}, // a full disk: part of the line fits
    };
    for (const auto& [path, sizeLimit, reason] : cases) {
        rlimit limit = unlimited;
        limit.rlim_cur = sizeLimit;
        setrlimit(RLIMIT_FSIZE, &limit);
        try {
            appendGivenUpLine(path, night, "http://a/b.zip", "404 Not Found");
            ADD_FAILURE() << "no error for " << path.toStdString();
        } catch (const larkspur::Error& e) {
            EXPECT_EQ(e.message(), "Cannot append to file \"" + path + "\". " + reason);
        }
        setrlimit(RLIMIT_FSIZE, &unlimited);
    }
    EXPECT_EQ(contentOf(kept), earlier);
}

} // namespace
