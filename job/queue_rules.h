#pragma once

#include <QString>
#include <cstdint>

namespace larkspur::job {

// The longest file name taken from a URL.
constexpr int MaxFileNameLength = 100;

// The URL a list line names: the line without the blanks around it, which a paste
// often brings along. The line itself stays as typed.
QString urlOfLine(const QString& line);

// The text after the last "/" of a list line, cut to 100 characters; a line without
// "/" gives its own first 100 characters.
QString fileNameFromUrl(const QString& line);

// A pass removes its line when the file is complete, or when this was the line's
// eleventh failure in a row (`errorCount` still counts the failures before it).
bool removesLine(bool fileDone, std::uint8_t errorCount, bool retryPending);

// After a pass: failures of the head line are counted while the list keeps its length;
// any change of length starts the count afresh (the count is 8-bit, 255 wraps to 0).
void countPass(int lineCount, int& lastCount, std::uint8_t& errorCount);

} // namespace larkspur::job
