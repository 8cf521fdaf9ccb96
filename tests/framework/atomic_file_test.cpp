#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <optional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "tests/support/qt_printers.h"

#include "framework/atomic_file.h"

using larkspur::FileAccess;
using larkspur::writeFileAtomically;

namespace {

mode_t modeOf(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

class ProcessUmask {
public:
    explicit ProcessUmask(mode_t mask) : previous_(::umask(mask)) {}
    ~ProcessUmask() { ::umask(previous_); }

private:
    mode_t previous_;
};

class AtomicFile : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString path(const QString& name) const { return dir.filePath(name); }
    QStringList entries(const QString& folder = {}) const {
        return QDir(folder.isEmpty() ? dir.path() : folder)
            .entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    }

    QTemporaryDir dir;
};

TEST_F(AtomicFile, NewAndReplacedFilesGetTheModeTheirAccessCallsFor) {
    const ProcessUmask mask(027);
    struct Case {
        FileAccess access;
        std::optional<mode_t> existing;
        mode_t expected;
        uid_t owner = ::geteuid(); // of the existing file: only one's own passes its mode on
    };
    const std::vector<Case> table{
        {FileAccess::Shared, std::nullopt, 0640},    {FileAccess::Shared, 0604, 0604},
        {FileAccess::OwnerOnly, std::nullopt, 0600}, {FileAccess::OwnerOnly, 0644, 0600},
        {FileAccess::OwnerOnly, 0755, 0600},         {FileAccess::OwnerOnly, 0600, 0600},
        {FileAccess::Shared, 04777, 0666},           {FileAccess::Shared, 0666, 0640, 65534},
    };
    int number = 0;
    for (const Case& c : table) {
        const QString file = path(QString::number(++number));
        if (c.existing) {
            ASSERT_EQ(writeFileAtomically(file, "old"), 0);
            ASSERT_EQ(::chown(QFile::encodeName(file).constData(), c.owner, gid_t(-1)), 0);
            ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), *c.existing), 0);
        }
        EXPECT_EQ(writeFileAtomically(file, "new", c.access), 0);
        EXPECT_EQ(modeOf(file), c.expected) << "case " << number;
        EXPECT_EQ(readFile(file), "new");
    }
}

// Another thread creating a file while a write is under way gets the usual mode.
TEST_F(AtomicFile, WritingLeavesTheUmaskOfOtherThreadsAlone) {
    // In memory where there is such a folder, so that many writes fit in a second.
    const QTemporaryDir memory(QDir("/dev/shm").exists() ? "/dev/shm/atomic-XXXXXX" : "");
    ASSERT_TRUE(memory.isValid());
    const ProcessUmask mask(022);
    std::atomic<bool> writing = true;
    std::thread writer([&] {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        while (std::chrono::steady_clock::now() < end)
            writeFileAtomically(memory.filePath("settings"), "x");
        writing = false;
    });
    int created = 0, wrongModes = 0;
    const QByteArray download = QFile::encodeName(memory.filePath("download"));
    while (writing) {
        const int fd = ::open(download.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        ASSERT_GE(fd, 0);
        struct stat st {};
        ::fstat(fd, &st);
        wrongModes += (st.st_mode & 0777) != 0644;
        ++created;
        ::close(fd);
        ::unlink(download.constData());
    }
    writer.join();
    EXPECT_GT(created, 100);
    EXPECT_EQ(wrongModes, 0);
}

TEST_F(AtomicFile, ALinkIsWrittenThroughToItsTargetAndStaysALink) {
    ASSERT_TRUE(QDir(dir.path()).mkpath("real"));
    ASSERT_EQ(writeFileAtomically(path("real/1.pwl"), "old"), 0);
    ASSERT_TRUE(QFile::link("real/1.pwl", path("middle")));         // relative to its folder
    ASSERT_TRUE(QFile::link(path("middle"), path("1.pwl")));        // a chain of two
    ASSERT_TRUE(QFile::link("real/new.txt", path("dangling.txt"))); // target not there yet

    EXPECT_EQ(writeFileAtomically(path("1.pwl"), "new", FileAccess::OwnerOnly), 0);
    EXPECT_EQ(writeFileAtomically(path("dangling.txt"), "made"), 0);

    EXPECT_TRUE(QFileInfo(path("1.pwl")).isSymLink());
    EXPECT_TRUE(QFileInfo(path("dangling.txt")).isSymLink());
    EXPECT_EQ(readFile(path("real/1.pwl")), "new");
    EXPECT_EQ(readFile(path("real/new.txt")), "made");
    EXPECT_EQ(entries(path("real")), QStringList({"1.pwl", "new.txt"}));

    QFile::remove(path("loop"));
    ASSERT_TRUE(QFile::link(path("loop"), path("loop")));
    EXPECT_EQ(writeFileAtomically(path("loop"), "x"), ELOOP);
}

TEST_F(AtomicFile, ALinkThatAnotherUserMadeOrCouldReplaceIsNotFollowed) {
    struct Case {
        const char* folder;
        mode_t mode;
        uid_t linkOwner;
    };
    const Case cases[] = {{"shared", 01777, ::geteuid()}, // planted where anyone may write
                          {"group", 0770, ::geteuid()},
                          {"private", 0700, 65534}}; // made by another user
    ASSERT_EQ(writeFileAtomically(path("victim"), "precious"), 0);
    for (const Case& c : cases) {
        ASSERT_TRUE(QDir(dir.path()).mkdir(c.folder));
        ::chmod(QFile::encodeName(path(c.folder)).constData(), c.mode);
        const QByteArray link = QFile::encodeName(path(c.folder + QStringLiteral("/log.txt")));
        ASSERT_EQ(::symlink(QFile::encodeName(path("victim")).constData(), link.constData()), 0);
        ASSERT_EQ(::lchown(link.constData(), c.linkOwner, static_cast<gid_t>(-1)), 0);
        EXPECT_EQ(writeFileAtomically(QFile::decodeName(link), "planted"), larkspur::UntrustedLink)
            << c.folder;
    }
    // The same for a link in place of a folder on the path, a download folder's say.
    ASSERT_TRUE(QFile::link(dir.path(), path("shared/folder")));
    EXPECT_EQ(writeFileAtomically(path("shared/folder/victim"), "planted"),
              larkspur::UntrustedLink);
    EXPECT_EQ(readFile(path("victim")), "precious");
    EXPECT_TRUE(larkspur::writeFailureReason(larkspur::UntrustedLink).contains("link"));
}

TEST_F(AtomicFile, StaleTemporariesOfTheTargetAreRemovedAndNothingElse) {
    const QStringList kept{"1.pwl", "1.pwl.backup", ".1.pwl.larkspur-toolong",
                           ".1.txt.larkspur-Ab12Cd"};
    for (const QString& name :
         kept + QStringList{".1.pwl.larkspur-Ab12Cd", ".1.pwl.larkspur-000000"})
        ASSERT_EQ(writeFileAtomically(path(name), "x"), 0);
    larkspur::removeStaleTemporaries(path("1.pwl"));
    QStringList expected = kept;
    expected.sort();
    EXPECT_EQ(entries(), expected);
}

} // namespace
