#include "httpget/resume_validator.h"

#include <QDateTime>
#include <QLocale>

namespace larkspur {

namespace {

constexpr qint64 StrongAfterSeconds = 60;

bool isStrongTag(const QByteArray& tag) {
    return tag.size() >= 2 && tag.startsWith('"') && tag.endsWith('"') && !tag.contains('\r') &&
           !tag.contains('\n');
}

// The date form that servers send, "Tue, 08 Dec 2026 23:00:00 GMT".
QDateTime httpDate(const std::optional<QByteArray>& text) {
    if (!text)
        return {};
    QDateTime date = QLocale::c().toDateTime(QString::fromLatin1(text->trimmed()),
                                             QStringLiteral("ddd, dd MMM yyyy hh:mm:ss 'GMT'"));
    date.setTimeSpec(Qt::UTC);
    return date;
}

} // namespace

std::optional<QByteArray> resumeValidator(const std::optional<QByteArray>& entityTag,
                                          const std::optional<QByteArray>& lastModified,
                                          const std::optional<QByteArray>& date) {
    if (entityTag && isStrongTag(entityTag->trimmed()))
        return entityTag->trimmed();
    const QDateTime modified = httpDate(lastModified);
    const QDateTime answered = httpDate(date);
    if (modified.isValid() && answered.isValid() && modified.secsTo(answered) >= StrongAfterSeconds)
        return lastModified->trimmed();
    return std::nullopt;
}

} // namespace larkspur
