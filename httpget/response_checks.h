#pragma once

#include <QByteArray>
#include <cstdint>
#include <optional>

namespace larkspur {

// The announced body length: a decimal number of 0 to 2 147 483 647, blanks around it
// allowed. Anything else raises larkspur::Error.
std::int32_t parseContentLength(const QByteArray& text);

// `base` + `extra` as a transfer counts bytes; raises larkspur::Error past 2 147 483 647.
std::int32_t addByteCount(std::int32_t base, std::int64_t extra);

// A final status of 200 to 299.
bool isSuccessStatus(const std::optional<QByteArray>& status);

// The first byte a partial response carries ("bytes 7000-11999/12000" gives 7000).
std::optional<std::int64_t> rangeStart(const std::optional<QByteArray>& contentRange);

} // namespace larkspur
