#include "platform/request_target.h"

namespace larkspur::platform {

namespace {

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// Unreserved and sub-delimiter characters, and those a path or a query may hold.
bool standsAsItIs(char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
        return true;
    return QByteArrayLiteral("-._~!$&'()*+,;=:@/?").contains(c);
}

bool startsEscape(const QByteArray& text, qsizetype at) {
    return at + 2 < text.size() && isHexDigit(text[at + 1]) && isHexDigit(text[at + 2]);
}

} // namespace

QByteArray escapeObjectName(const QByteArray& objectName) {
    static constexpr char Hex[] = "0123456789ABCDEF";
    QByteArray escaped;
    escaped.reserve(objectName.size());
    for (qsizetype at = 0; at < objectName.size(); ++at) {
        const char c = objectName[at];
        if (standsAsItIs(c) || (c == '%' && startsEscape(objectName, at))) {
            escaped += c;
            continue;
        }
        const auto byte = static_cast<unsigned char>(c);
        escaped += '%';
        escaped += Hex[byte >> 4];
        escaped += Hex[byte & 0xF];
    }
    return escaped;
}

} // namespace larkspur::platform
