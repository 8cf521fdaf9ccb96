#include "job/transfer_texts.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "job/format_duration.h"

namespace larkspur::job {

namespace {

const QString CrLf = QStringLiteral("\r\n");

// The locale's own digits and separators, with thousands grouped even where the
// locale leaves them out by default (the C locale).
QString grouped(double value, int decimals, QLocale locale) {
    locale.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    return locale.toString(value, 'f', decimals);
}

QString baseName(const QString& path) {
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

} // namespace

int progressPosition(std::int64_t readed, std::int64_t totalSize) {
    if (totalSize == 0)
        return 0;
    const double position = std::trunc(double(readed) / totalSize * 200);
    return static_cast<int>(std::clamp(position, 0.0, 200.0));
}

QString bytesOfTotalText(std::int64_t readed, std::int64_t totalSize, const QLocale& locale) {
    return grouped(readed, 0, locale) + QStringLiteral(" of ") + grouped(totalSize, 0, locale);
}

QString speedText(std::int64_t bytes, std::uint32_t elapsedMs) {
    const double perSecond = std::trunc(double(bytes) / elapsedMs * 1000);
    return QString::number(static_cast<qint64>(perSecond)) + QStringLiteral(" b/s");
}

QString fileDoneText(const QString& path, std::int64_t fileSize, std::int64_t receivedBytes,
                     std::uint32_t elapsedMs, const QString& sha256) {
    QString text = QStringLiteral("Downloaded: ") + baseName(path) + QStringLiteral(" Size: ") +
                   QString::number(fileSize) + CrLf + QStringLiteral("  Time: ") +
                   FormatDuration(elapsedMs);
    if (elapsedMs != 0)
        text += CrLf + QStringLiteral("  Average speed: ") + speedText(receivedBytes, elapsedMs);
    if (!sha256.isEmpty())
        text += CrLf + QStringLiteral("  SHA-256: ") + sha256;
    return elapsedMs != 0 ? text + CrLf : text;
}

QString transferErrorText(std::uint8_t errorCount, const QString& reason) {
    QString text = QStringLiteral("Error while downloading! (%1 of 10)").arg(errorCount) + CrLf;
    if (!reason.isEmpty())
        text +=
            QStringLiteral("  ") + QString(reason).replace(u'\r', u' ').replace(u'\n', u' ') + CrLf;
    return text;
}

QString localFailureText(int err, const QString& reason) {
    return QStringLiteral("The download folder cannot be written: %1. The list is kept.")
        .arg(err != 0 ? QString::fromLocal8Bit(std::strerror(err)) : reason);
}

QString givenUpText(const QString& url, int failures) {
    return QStringLiteral("Given up: %1 after %2 failures").arg(url).arg(failures);
}

QString totalTimeText(std::uint32_t totalMs) {
    return QStringLiteral("Total time: ") + FormatDuration(totalMs);
}

QString totalBytesText(std::uint64_t totalBytes, const QLocale& locale) {
    return QStringLiteral("Total downloaded: ") + grouped(totalBytes / 1024.0, 2, locale) +
           QStringLiteral(" KB");
}

QString totalGivenUpText(std::uint32_t lines) {
    return QStringLiteral("Total given up: %1 %2")
        .arg(lines)
        .arg(lines == 1 ? QStringLiteral("line") : QStringLiteral("lines"));
}

} // namespace larkspur::job
