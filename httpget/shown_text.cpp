#include "httpget/shown_text.h"

#include <QByteArray>
#include <algorithm>

namespace larkspur {

namespace {

constexpr qsizetype ShownLength = 200;

bool isControl(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c < 0xA0) || c == 0x2028 || c == 0x2029;
}

} // namespace

QString shownText(const QString& text) {
    QString shown = text.left(ShownLength);
    for (QChar& c : shown)
        if (isControl(c.unicode()))
            c = QLatin1Char('?');
    return shown;
}

bool holdsControlCharacter(const QString& name) {
    const auto control = [](QChar c) { return isControl(c.unicode()); };
    const QString decoded = QString::fromUtf8(QByteArray::fromPercentEncoding(name.toUtf8()));
    return std::any_of(name.begin(), name.end(), control) ||
           std::any_of(decoded.begin(), decoded.end(), control);
}

} // namespace larkspur
