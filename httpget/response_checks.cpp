#include "httpget/response_checks.h"

#include <limits>

#include "framework/errors.h"

namespace larkspur {

namespace {

constexpr std::int64_t MaxByteCount = std::numeric_limits<std::int32_t>::max();

std::optional<std::int64_t> parseDecimal(const QByteArray& text) {
    if (text.isEmpty() || text.size() > 18)
        return std::nullopt;
    std::int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

std::int32_t parseContentLength(const QByteArray& text) {
    const auto value = parseDecimal(text.trimmed());
    if (!value || *value > MaxByteCount)
        throw Error(QStringLiteral("'%1' is not a valid length").arg(QString::fromLatin1(text)));
    return std::int32_t(*value);
}

std::int32_t addByteCount(std::int32_t base, std::int64_t extra) {
    const std::int64_t sum = std::int64_t(base) + extra;
    if (sum > MaxByteCount || sum < 0)
        throw Error(QStringLiteral("More than %1 bytes").arg(MaxByteCount));
    return std::int32_t(sum);
}

bool isSuccessStatus(const std::optional<QByteArray>& status) {
    const auto code = status ? parseDecimal(*status) : std::nullopt;
    return code && *code >= 200 && *code <= 299;
}

std::optional<std::int64_t> rangeStart(const std::optional<QByteArray>& contentRange) {
    if (!contentRange)
        return std::nullopt;
    const QByteArray text = contentRange->trimmed();
    if (!text.startsWith("bytes "))
        return std::nullopt;
    const qsizetype dash = text.indexOf('-');
    if (dash < 0)
        return std::nullopt;
    return parseDecimal(text.mid(6, dash - 6).trimmed());
}

} // namespace larkspur
