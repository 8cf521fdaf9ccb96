#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "tests/support/qt_printers.h"

#include "about/file_version.h"
#include "about/version.h"

namespace {

const QString ProgramFile = QStringLiteral(LARKSPUR_PROGRAM_FILE);
const QByteArray Block("StringFileInfo\\041904E3\\FileVersion\0"
                       "1.1.2.12\0",
                       45);

class FileVersion : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        QFile program(ProgramFile);
        ASSERT_TRUE(program.open(QIODevice::ReadOnly));
        programBytes = program.readAll();
        ASSERT_EQ(programBytes.count(Block), 1);
    }

    QString write(const QString& name, const QByteArray& bytes) const {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    // The program with part of its version block replaced, byte for byte.
    QString patchedProgram(const QByteArray& from, const QByteArray& to) const {
        QByteArray block = Block;
        block.replace(from, to);
        EXPECT_EQ(block.size(), Block.size());
        QByteArray bytes = programBytes;
        bytes.replace(Block, block);
        return write(QStringLiteral("patched"), bytes);
    }

    QTemporaryDir dir;
    QByteArray programBytes;
};

} // namespace

TEST_F(FileVersion, TheBuiltProgramCarriesItsVersion) {
    EXPECT_EQ(GetFileVersionString(ProgramFile), LARKSPUR_FILE_VERSION);
    EXPECT_EQ(GetFileVersionString(write(QStringLiteral("копия программы"), programBytes)),
              LARKSPUR_FILE_VERSION);
}

TEST_F(FileVersion, FilesWithoutTheBlockGiveNothing) {
    EXPECT_EQ(GetFileVersionString(QCoreApplication::applicationFilePath()), "");
    EXPECT_EQ(GetFileVersionString(dir.filePath(QStringLiteral("missing"))), "");
    EXPECT_EQ(GetFileVersionString(dir.path()), "");
    EXPECT_EQ(GetFileVersionString(write(QStringLiteral("empty"), {})), "");
    EXPECT_EQ(GetFileVersionString(write(QStringLiteral("text"), Block)), "");
    EXPECT_EQ(GetFileVersionString(write(QStringLiteral("cut"), programBytes.left(3000))), "");
}

TEST_F(FileVersion, AnotherLanguageOrCodePageIsNotTaken) {
    EXPECT_EQ(GetFileVersionString(patchedProgram("041904E3", "040904B0")), "");
    EXPECT_EQ(GetFileVersionString(patchedProgram("FileVersion", "FileVersiox")), "");
}

TEST_F(FileVersion, AValueCutOffByTheSectionEndIsNotReadPastIt) {
    EXPECT_EQ(GetFileVersionString(patchedProgram(QByteArray("12\0", 3), "123")), "");
}
