#include "httpget/response_checks.h"

#include <QList>
#include <limits>

#include "framework/errors.h"

namespace larkspur {

namespace {

constexpr std::int64_t MaxByteCount = std::numeric_limits<std::int64_t>::max();

// Digits only, and a value that fits in 63 bits.
std::optional<std::int64_t> parseDecimal(QByteArrayView text) {
    if (text.isEmpty())
        return std::nullopt;
    std::int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9' || value > (MaxByteCount - (c - '0')) / 10)
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

const QString StalePartial =
    QStringLiteral("the partial file is longer than the server's file: fetching it whole");

BodyDecision refused(const QString& reason) {
    return {std::nullopt, reason};
}

BodyDecision stale() {
    return {std::nullopt, StalePartial, true};
}

BodyDecision planPartial(const ResponseHead& head, std::int64_t offset, std::int64_t partialSize,
                         std::optional<std::int64_t> length) {
    const auto range = head.contentRange ? parseContentRange(*head.contentRange) : std::nullopt;
    if (!range || range->first != offset || range->last < range->first ||
        range->complete - 1 != range->last || (length && *length != range->last - range->first + 1))
        return refused(QStringLiteral("the server's part does not fit the file"));
    if (range->complete < partialSize)
        return stale();
    return {BodyPlan{false, length ? std::optional(range->complete) : std::nullopt}, {}};
}

QString statusText(const ResponseHead& head) {
    if (!head.status || head.status == "0")
        return QStringLiteral("no answer from the server");
    const QByteArray phrase = head.statusPhrase.trimmed();
    return QString::fromLatin1(phrase.isEmpty() ? *head.status : *head.status + ' ' + phrase);
}

bool isUnsatisfiable(const ResponseHead& head) {
    return head.status == "416";
}

} // namespace

BodyDecision planBody(const ResponseHead& head, std::int64_t offset, std::int64_t partialSize) {
    if (isUnsatisfiable(head) && partialSize > 0) {
        const auto complete =
            head.contentRange ? parseUnsatisfiedRange(*head.contentRange) : std::nullopt;
        if (complete && *complete < partialSize)
            return stale();
    }
    if (!isSuccessStatus(head.status))
        return refused(statusText(head));
    std::optional<std::int64_t> length;
    if (head.contentLength) {
        length = parseContentLength(*head.contentLength);
        if (!length)
            return refused(QStringLiteral("the server announced no usable length: ") +
                           QString::fromLatin1(head.contentLength->left(40)));
    }
    if (head.status == "206")
        return planPartial(head, offset, partialSize, length);
    return {BodyPlan{offset > 0 || partialSize > 0, length}, {}};
}

std::optional<std::int64_t> parseContentLength(const QByteArray& text) {
    std::optional<std::int64_t> agreed;
    for (const QByteArray& item : text.split(',')) {
        const auto value = parseDecimal(item.trimmed());
        if (!value || (agreed && *agreed != *value))
            return std::nullopt;
        agreed = value;
    }
    return agreed;
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

std::optional<std::int64_t> parseUnsatisfiedRange(const QByteArray& text) {
    const QByteArray trimmed = text.trimmed();
    const qsizetype space = trimmed.indexOf(' ');
    if (space < 0 || trimmed.left(space).compare("bytes", Qt::CaseInsensitive) != 0)
        return std::nullopt;
    const QByteArray range = trimmed.mid(space + 1).trimmed();
    if (!range.startsWith("*/"))
        return std::nullopt;
    return parseDecimal(QByteArrayView(range).sliced(2));
}

bool isSuccessStatus(const std::optional<QByteArray>& status) {
    const auto code = status ? parseDecimal(*status) : std::nullopt;
    return code && *code >= 200 && *code <= 299;
}

std::int64_t addByteCount(std::int64_t base, std::int64_t extra) {
    if (base < 0 || extra < 0 || extra > MaxByteCount - base)
        throw Error(QStringLiteral("More than %1 bytes").arg(MaxByteCount));
    return base + extra;
}

} // namespace larkspur
