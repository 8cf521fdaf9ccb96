#include <gtest/gtest.h>

#include "tests/support/qt_printers.h"

#include "framework/ansi_text.h"

using namespace larkspur;

TEST(AnsiText, CyrillicRoundTripsThroughWindows1251) {
    const QString text = QString::fromUtf8("Время вышло. Ёё");
    const QByteArray bytes = toAnsi(text);
    EXPECT_EQ(bytes, QByteArray("\xC2\xF0\xE5\xEC\xFF \xE2\xFB\xF8\xEB\xEE. \xA8\xB8"));
    EXPECT_EQ(fromAnsi(bytes), text);
}

TEST(AnsiText, CharactersOutsideTheCodePageBecomeQuestionMarks) {
    EXPECT_EQ(toAnsi(QString::fromUtf8("a€b")), QByteArray("a\x88"
                                                           "b"));
    EXPECT_EQ(toAnsi(QString::fromUtf8("a中b😀c")), QByteArray("a?b?c"));
    EXPECT_EQ(toAnsi(QString()), QByteArray());
    EXPECT_EQ(fromAnsi(QByteArray("a\x98z")), QString("a?z")); // 0x98 is unassigned
    EXPECT_EQ(fromAnsi(QByteArray("x\0y", 3)), QString::fromUtf8("x\0y", 3));
}
