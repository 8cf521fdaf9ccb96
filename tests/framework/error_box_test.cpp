#include <QCoreApplication>
#include <QTimer>
#include <cerrno>
#include <gtest/gtest.h>
#include <utility>

#include "tests/support/qt_printers.h"

#include "framework/errors.h"
#include "framework/guard.h"
#include "tests/support/error_box_recorder.h"

using namespace larkspur;

TEST(ErrorBox, AddsAPeriodOnlyAfterCharactersSortingAboveIt) {
    EXPECT_EQ(errorBoxText("Read beyond end of file"), "Read beyond end of file.");
    EXPECT_EQ(errorBoxText("I/O error 7"), "I/O error 7.");
    EXPECT_EQ(errorBoxText("value 'x'"), "value 'x'"); // a quote sorts below "."
    EXPECT_EQ(errorBoxText("Ended."), "Ended.");
    EXPECT_EQ(errorBoxText("Stop!"), "Stop!");
    EXPECT_EQ(errorBoxText("a,"), "a,");
    EXPECT_EQ(errorBoxText("trailing "), "trailing ");
    EXPECT_EQ(errorBoxText("Cannot open file \"x\". -"), "Cannot open file \"x\". -");
    EXPECT_EQ(errorBoxText(""), "");
}

TEST(ErrorBox, GuardShowsTheErrorWithTheApplicationTitleAndSwallowsIt) {
    test::ErrorBoxRecorder box;
    setApplicationTitle("Project2.exe");
    guarded([] { throw InOutError(InOutError::ReadBeyondEnd); });
    guarded([] { throw std::runtime_error("plain"); });
    guarded([] { throw 42; });
    EXPECT_EQ(box.messages, QStringList({"Read beyond end of file.", "plain.", "Unknown error."}));
    EXPECT_EQ(box.titles.value(0), "Project2.exe");
}

TEST(ErrorBox, GuardedConnectionKeepsTheEventLoopRunning) {
    test::ErrorBoxRecorder box;
    QTimer timer;
    int calls = 0;
    connectGuarded(&timer, &QTimer::timeout, &timer, [&] {
        ++calls;
        throw Error("Timer failed");
    });
    timer.setSingleShot(true);
    timer.start(0);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(box.messages, QStringList({"Timer failed."}));
}

TEST(Errors, InputOutputMessagesFollowTheCode) {
    EXPECT_EQ(InOutError(2).message(), "File not found");
    EXPECT_EQ(InOutError(3).message(), "Invalid filename");
    EXPECT_EQ(InOutError(4).message(), "Too many open files");
    EXPECT_EQ(InOutError(5).message(), "File access denied");
    EXPECT_EQ(InOutError(100).message(), "Read beyond end of file");
    EXPECT_EQ(InOutError(101).message(), "Disk full");
    EXPECT_EQ(InOutError(106).message(), "Invalid numeric input");
    EXPECT_EQ(InOutError(32).message(), "I/O error 32");
    EXPECT_EQ(InOutError::codeForErrno(ENOSPC), InOutError::DiskFull);
    EXPECT_EQ(InOutError::codeForErrno(EACCES), InOutError::AccessDenied);
    EXPECT_EQ(notAValidInteger("").message(), "'' is not a valid integer value");
    EXPECT_EQ(cannotOpenFile("/x/1.txt", "No such file").message(),
              "Cannot open file \"/x/1.txt\". No such file");
}

TEST(Errors, ASystemErrorTheTableDoesNotNameReadsAsIOErrorWithItsNumber) {
    const std::pair<int, const char*> cases[] = {
        {ENOENT, "File not found"},      {ENAMETOOLONG, "Invalid filename"},
        {EMFILE, "Too many open files"}, {EROFS, "File access denied"},
        {ENOSPC, "Disk full"},           {EIO, "I/O error 5"},
        {EINTR, "I/O error 4"},          {ENETUNREACH, "I/O error 101"},
    };
    for (const auto& [err, message] : cases)
        EXPECT_EQ(InOutError::fromErrno(err).message(), message) << "errno " << err;
}
