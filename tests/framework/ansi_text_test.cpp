#include <gtest/gtest.h>

#include "tests/support/qt_printers.h"

#include "framework/ansi_number.h"
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
    EXPECT_EQ(fromAnsi(QByteArray("x\0y", 3)), QString::fromUtf8("x\0y", 3));
}

TEST(AnsiText, EveryByteSurvivesALoadAndASaveAndOnlyCodePageTextFits) {
    QByteArray all;
    for (int byte = 1; byte < 256; ++byte) // 0x98 is unassigned, 0xA0 the no-break space
        all.append(static_cast<char>(byte));
    EXPECT_EQ(toAnsi(fromAnsi(all)), all);
    EXPECT_TRUE(fitsAnsi(QString::fromUtf8("/home/Иван/Загрузки")));
    EXPECT_FALSE(fitsAnsi(QString::fromUtf8("/data/文件")));
}

TEST(AnsiText, NumbersOfAnyLocaleGetAsciiDigitsAndSeparatorsTheCodePageHas) {
    const std::pair<const char*, const char*> cases[] = {{"C", "1,234,567.50"},
                                                         {"de_DE", "1.234.567,50"},
                                                         {"fr_FR", "1\u00A0234\u00A0567,50"},
                                                         {"ar_EG", "1\u00A0234\u00A0567.50"}};
    for (const auto& [name, expected] : cases) {
        QLocale locale(QString::fromLatin1(name));
        locale.setNumberOptions(QLocale::DefaultNumberOptions); // grouped, as the totals are
        const QString text = ansiNumberText(locale.toString(1234567.5, 'f', 2), locale);
        EXPECT_EQ(text, QString::fromUtf8(expected)) << name;
    }
}
