#pragma once

#include <QLocale>
#include <QString>
#include <cstdint>

namespace larkspur::job {

// The texts the job shows and logs about transfers. Numbers are grouped by `locale`.

// Position of the progress bar, 0 to 200; 0 while the total is unknown.
int progressPosition(std::int64_t readed, std::int64_t totalSize);
// "1,048,576 of 2,097,152".
QString bytesOfTotalText(std::int64_t readed, std::int64_t totalSize, const QLocale& locale);
// Bytes per second over `elapsedMs` (not 0), truncated: "523456 b/s".
QString speedText(std::int64_t bytes, std::uint32_t elapsedMs);

// The lines a completed file adds to the log, as one text with CR LF breaks; the speed
// counts the `receivedBytes` that arrived in `elapsedMs`. The file's SHA-256, where given,
// follows them as a line "  SHA-256: <hex>" (before the empty line that ends them).
QString fileDoneText(const QString& path, std::int64_t fileSize, std::int64_t receivedBytes,
                     std::uint32_t elapsedMs, const QString& sha256 = {});
// The error line, then the reason indented on a line of its own where there is one.
QString transferErrorText(std::uint8_t errorCount, const QString& reason = {});
// "Given up: URL after 11 failures".
QString givenUpText(const QString& url, int failures);

QString totalTimeText(std::uint32_t totalMs);
// "Total downloaded: 1.50 KB" for 1536 bytes.
QString totalBytesText(std::uint64_t totalBytes, const QLocale& locale);
// Why a night ended on a failure of this machine: the system's words for `err`, else `reason`.
// "The download folder cannot be written: No space left on device. The list is kept."
QString localFailureText(int err, const QString& reason);
// "Total given up: 2 lines".
QString totalGivenUpText(std::uint32_t lines);

} // namespace larkspur::job
