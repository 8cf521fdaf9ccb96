#include "job/format_duration.h"

QString FormatDuration(std::uint32_t milliseconds) {
    std::uint32_t seconds = milliseconds / 1000;
    std::uint32_t minutes = seconds / 60;
    seconds %= 60;
    const std::uint32_t hours = minutes / 60;
    minutes %= 60;
    return QString::asprintf("%.2u:%.2u:%.2u", hours, minutes, seconds);
}
