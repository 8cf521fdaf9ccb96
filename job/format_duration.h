#pragma once

#include <QString>
#include <cstdint>

// Milliseconds as hh:mm:ss; hours are not wrapped at 24.
QString FormatDuration(std::uint32_t milliseconds);
