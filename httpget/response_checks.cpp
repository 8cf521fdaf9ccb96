#include "httpget/response_checks.h"

#include <QList>
#include <limits>

#include "framework/errors.h"

namespace larkspur {

namespace {

constexpr std::int64_t MaxByteCount = std::numeric_limits<std::int32_t>::max();

// Digits only, at most 18 of them so that the value fits.
std::optional<std::int64_t> parseDecimal(QByteArrayView text) {
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

std::optional<BodyPlan> planPartial(const ResponseHead& head, std::int32_t offset,
                                    std::optional<std::int32_t> length) {
    const auto range = head.contentRange ? parseContentRange(*head.contentRange) : std::nullopt;
    if (!range || range->first != offset || range->last < range->first ||
        range->last + 1 != range->complete || range->complete > MaxByteCount)
        return std::nullopt;
    if (length && *length != range->last - range->first + 1)
        return std::nullopt;
    return BodyPlan{false, length ? std::optional(std::int32_t(range->complete)) : std::nullopt};
}

} // namespace

std::optional<BodyPlan> planBody(const ResponseHead& head, std::int32_t offset) {
    if (!isSuccessStatus(head.status))
        return std::nullopt;
    std::optional<std::int32_t> length;
    if (head.contentLength) {
        length = parseContentLength(*head.contentLength);
        if (!length)
            return std::nullopt;
    }
    if (head.status == "206")
        return planPartial(head, offset, length);
    return BodyPlan{offset > 0, length};
}

std::optional<std::int32_t> parseContentLength(const QByteArray& text) {
    std::optional<std::int64_t> agreed;
    for (const QByteArray& item : text.split(',')) {
        const auto value = parseDecimal(item.trimmed());
        if (!value || *value > MaxByteCount || (agreed && *agreed != *value))
            return std::nullopt;
        agreed = value;
    }
    return agreed ? std::optional(std::int32_t(*agreed)) : std::nullopt;
}

std::optional<ContentRange> parseContentRange(const QByteArray& text) {
    const QByteArray trimmed = text.trimmed();
    const qsizetype space = trimmed.indexOf(' ');
    if (space < 0 || trimmed.left(space).compare("bytes", Qt::CaseInsensitive) != 0)
        return std::nullopt;
    const QByteArray range = trimmed.mid(space + 1).trimmed();
    const qsizetype dash = range.indexOf('-');
    const qsizetype slash = range.indexOf('/');
    if (dash < 0 || slash < dash)
        return std::nullopt;
    const auto first = parseDecimal(QByteArrayView(range).first(dash));
    const auto last = parseDecimal(QByteArrayView(range).sliced(dash + 1, slash - dash - 1));
    const auto complete = parseDecimal(QByteArrayView(range).sliced(slash + 1));
    if (!first || !last || !complete)
        return std::nullopt;
    return ContentRange{*first, *last, *complete};
}

bool isSuccessStatus(const std::optional<QByteArray>& status) {
    const auto code = status ? parseDecimal(*status) : std::nullopt;
    return code && *code >= 200 && *code <= 299;
}

std::int32_t addByteCount(std::int32_t base, std::int64_t extra) {
    const std::int64_t sum = std::int64_t(base) + extra;
    if (sum > MaxByteCount || sum < 0)
        throw Error(QStringLiteral("More than %1 bytes").arg(MaxByteCount));
    return std::int32_t(sum);
}

} // namespace larkspur
