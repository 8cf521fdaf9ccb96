// Any object name becomes a request target that holds only characters allowed there and
// that names the same bytes: decoding it gives what decoding the name gives.
#include <cstdint>

#include "platform/request_target.h"

namespace {

void require(bool condition) {
    if (!condition)
        __builtin_trap();
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

QByteArray decoded(const QByteArray& text) {
    QByteArray bytes;
    for (qsizetype at = 0; at < text.size(); ++at) {
        const int high = at + 2 < text.size() ? hexValue(text[at + 1]) : -1;
        const int low = at + 2 < text.size() ? hexValue(text[at + 2]) : -1;
        if (text[at] == '%' && high >= 0 && low >= 0) {
            bytes += char(high * 16 + low);
            at += 2;
        } else {
            bytes += text[at];
        }
    }
    return bytes;
}

bool allowedInTarget(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           QByteArrayLiteral("-._~!$&'()*+,;=:@/?%").contains(c);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray name(reinterpret_cast<const char*>(data), qsizetype(size));
    const QByteArray target = larkspur::platform::escapeObjectName(name);
    for (const char c : target)
        require(allowedInTarget(c));
    require(decoded(target) == decoded(name));
    require(larkspur::platform::escapeObjectName(target) == target);
    return 0;
}
