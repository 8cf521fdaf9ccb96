#include "job/queue_rules.h"

namespace larkspur::job {

QString urlOfLine(const QString& line) {
    return line.trimmed();
}

QString fileNameFromUrl(const QString& line) {
    const qsizetype slash = line.lastIndexOf(QLatin1Char('/'));
    return line.mid(slash + 1, MaxFileNameLength);
}

bool removesLine(bool fileDone, std::uint8_t errorCount, bool retryPending) {
    return fileDone || (errorCount >= 10 && retryPending);
}

void countPass(int lineCount, int& lastCount, std::uint8_t& errorCount) {
    if (lineCount == lastCount) {
        ++errorCount;
    } else {
        errorCount = 0;
        lastCount = lineCount;
    }
}

} // namespace larkspur::job
