#include <QTest>
#include <QTextDocument>
#include <gtest/gtest.h>

#include "tests/support/qt_printers.h"

#include "widgets/memo.h"

using larkspur::Memo;

TEST(Memo, AddLineSplitsAtCrLfAndEndsEveryLine) {
    Memo memo;
    memo.addLine("");
    EXPECT_EQ(memo.lines(), QStringList({""}));
    memo.addLine("one\r\ntwo");
    memo.addLine("three\r\n");
    EXPECT_EQ(memo.lines(), QStringList({"", "one", "two", "three", ""}));
    EXPECT_EQ(memo.windowsText(), "\r\none\r\ntwo\r\nthree\r\n\r\n");
}

TEST(Memo, AddAfterAnUnfinishedLastLineStartsANewLine) {
    Memo memo;
    memo.setWindowsText("typed");
    memo.addLine("added");
    EXPECT_EQ(memo.lines(), QStringList({"typed", "added"}));
    EXPECT_EQ(memo.windowsText(), "typed\r\nadded");
}

TEST(Memo, LineCountIgnoresOnlyOneTrailingBreak) {
    Memo memo;
    EXPECT_EQ(memo.lineCount(), 0);
    memo.setWindowsText("a\r\nb\r\n");
    EXPECT_EQ(memo.lineCount(), 2);
    memo.setWindowsText("a\r\nb\r\n\r\n");
    EXPECT_EQ(memo.lineCount(), 3);
    EXPECT_EQ(memo.line(2), "");
    EXPECT_EQ(memo.line(3), "");
}

TEST(Memo, DeleteLineRemovesTheLineAndItsBreak) {
    Memo memo;
    memo.setWindowsText("a\r\nb\r\nc");
    memo.deleteLine(0);
    EXPECT_EQ(memo.windowsText(), "b\r\nc");
    memo.deleteLine(1);
    EXPECT_EQ(memo.lines(), QStringList({"b"}));
    memo.deleteLine(0);
    EXPECT_EQ(memo.lineCount(), 0);
    memo.deleteLine(0); // nothing left: no effect
    EXPECT_EQ(memo.lineCount(), 0);
}

TEST(Memo, FindsTheFirstEqualLineAndNeverTheEmptyEndAfterABreak) {
    Memo memo;
    memo.setWindowsText("b\r\na\r\na\r\n");
    EXPECT_EQ(memo.indexOfLine("a"), 1);
    EXPECT_EQ(memo.indexOfLine("c"), -1);
    EXPECT_EQ(memo.indexOfLine(""), -1);
}

TEST(Memo, LinesAddedOncePerFrameReachTheDocumentInOneInsertion) {
    Memo memo;
    memo.batchLineChanges();
    int insertions = 0;
    QObject::connect(memo.document(), &QTextDocument::contentsChange,
                     [&](int, int, int added) { insertions += added > 0; });
    for (const char* line : {"a", "b\r\nc", ""})
        memo.addLine(line);
    EXPECT_TRUE(QTest::qWaitFor([&] { return insertions > 0; }));
    EXPECT_EQ(insertions, 1);
    EXPECT_EQ(memo.toPlainText(), "a\nb\nc\n\n");
}

TEST(Memo, ReadsAndChangesSeeTheLinesThatWaitForTheirFrame) {
    Memo memo;
    memo.batchLineChanges();
    memo.addLine("one");
    EXPECT_EQ(memo.lines(), QStringList({"one"}));
    memo.addLine("two");
    memo.deleteLine(0);
    EXPECT_EQ(memo.windowsText(), "two\r\n");
    memo.addLine("replaced");
    memo.setWindowsText("new");
    QTest::qWait(50);
    EXPECT_EQ(memo.windowsText(), "new");
}

TEST(Memo, FirstLinesRemovedOncePerFrameAreGoneForReadersAndForTheUsersInput) {
    Memo memo;
    memo.batchLineChanges();
    memo.setWindowsText("a\r\nb\r\nc\r\nd\r\ne");
    int removals = 0;
    QObject::connect(memo.document(), &QTextDocument::contentsChange,
                     [&](int, int removed, int) { removals += removed > 0; });
    memo.deleteLine(0);
    memo.deleteLine(memo.indexOfLine("b"));
    EXPECT_EQ(removals, 0);
    EXPECT_EQ(memo.lineCount(), 3);
    EXPECT_EQ(memo.line(0), "c");
    EXPECT_EQ(memo.indexOfLine("a"), -1);
    QTest::keyClick(&memo, Qt::Key_X); // typed at the start of what the user sees
    EXPECT_EQ(removals, 1);
    EXPECT_EQ(memo.line(0), "xc");
    memo.deleteLine(0);
    memo.deleteLine(1); // not the first: what waits goes first
    EXPECT_EQ(memo.lines(), QStringList({"d"}));
}
