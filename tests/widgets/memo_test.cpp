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
