#include "platform/phone_number.h"

namespace larkspur::platform {
namespace {

// Digits, blanks for reading, and the modem's own signs: wait for a dial tone,
// pause, tone or pulse dialling, flash, wait for silence.
const QString diallingSigns = QStringLiteral(" +*#,;()-WwPpTt!@");

bool isDialling(QChar c) {
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || diallingSigns.contains(c);
}

QString describe(QChar c) {
    if (!c.isPrint())
        return QStringLiteral("the control character U+") +
               QString::number(c.unicode(), 16).rightJustified(4, QLatin1Char('0')).toUpper();
    return QStringLiteral("\"%1\"").arg(c);
}

} // namespace

std::optional<QString> refusedPhoneNumber(const QString& number) {
    for (const QChar c : number)
        if (!isDialling(c))
            return QStringLiteral("Phone number not dialled: it holds %1. A phone number may "
                                  "hold digits, blanks and + * # , ; ( ) - W P T ! @")
                .arg(describe(c));
    return std::nullopt;
}

} // namespace larkspur::platform
