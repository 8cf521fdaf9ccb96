#include "framework/ansi_number.h"

#include "framework/ansi_text.h"

namespace larkspur {

namespace {

// A locale's digits are ten consecutive characters from its zero on.
QString localeDigit(const QLocale& locale, int value) {
    QList<uint> zero = locale.zeroDigit().toUcs4();
    if (zero.isEmpty())
        return QString::number(value);
    zero.first() += static_cast<uint>(value);
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(zero.constData()), zero.size());
}

void replaceMissing(QString& text, const QString& separator, const QString& substitute) {
    if (!separator.isEmpty() && !fitsAnsi(separator))
        text.replace(separator, substitute);
}

} // namespace

QString ansiNumberText(QString text, const QLocale& locale) {
    for (int value = 0; value < 10; ++value)
        text.replace(localeDigit(locale, value), QString::number(value));
    replaceMissing(text, locale.groupSeparator(), QString(QChar(QChar::Nbsp)));
    replaceMissing(text, locale.decimalPoint(), QStringLiteral("."));
    return text;
}

} // namespace larkspur
