#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "tests/support/qt_printers.h"

#include "engine/kept_logs.h"

using larkspur::engine::keepPreviousLogs;

namespace {

QString read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : "(none)";
}

void write(const QString& path, const QString& text) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text.toUtf8());
}

TEST(KeptLogs, EachNewJobMovesTheLogsOneGenerationUpAndDropsTheOldest) {
    QTemporaryDir folder;
    const auto at = [&](const char* name) { return folder.filePath(name); };
    EXPECT_EQ(keepPreviousLogs(folder.path()), ""); // a first job: nothing to keep
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList());
    for (const char* night : {"night 1", "night 2", "night 3", "night 4", "night 5"}) {
        EXPECT_EQ(keepPreviousLogs(folder.path()), "");
        write(at("log.txt"), night);
    }
    EXPECT_EQ(keepPreviousLogs(folder.path()), "");
    EXPECT_EQ(read(at("log.txt")), "(none)");
    EXPECT_EQ(read(at("log.1.txt")), "night 5");
    EXPECT_EQ(read(at("log.2.txt")), "night 4");
    EXPECT_EQ(read(at("log.3.txt")), "night 3");
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files).size(), 3);
    EXPECT_TRUE(larkspur::engine::reservedLogNames().contains("log.3.txt"));
    EXPECT_TRUE(larkspur::engine::reservedLogNames().contains("log.txt"));

    // A job without a log of its own leaves the kept ones where they are.
    EXPECT_EQ(keepPreviousLogs(folder.path()), "");
    EXPECT_EQ(read(at("log.1.txt")), "night 5");
}

TEST(KeptLogs, AStepThatCannotMoveSaysWhyAndLosesNoLog) {
    QTemporaryDir folder;
    write(folder.filePath("log.txt"), "last night");
    write(folder.filePath("log.3.txt"), "the oldest");
    ASSERT_TRUE(QDir(folder.path()).mkpath("log.2.txt/inside")); // cannot replace a file
    const QString failure = keepPreviousLogs(folder.path());
    EXPECT_TRUE(failure.contains("log.2.txt was not kept as log.3.txt")) << failure.toStdString();
    EXPECT_EQ(read(folder.filePath("log.3.txt")), "the oldest");
    EXPECT_EQ(read(folder.filePath("log.txt")), "last night");
}

} // namespace
