#include "job/daily_window.h"

#include <tuple>

namespace larkspur::job {

namespace {

auto key(unsigned hour, unsigned minute) {
    return std::make_tuple(hour, minute);
}

auto startOf(const DailyWindow& w) {
    return key(w.startHour, w.startMinute);
}

auto endOf(const DailyWindow& w) {
    return key(w.endHour, w.endMinute);
}

bool isTimeOfDay(unsigned hour, unsigned minute) {
    return hour < 24 && minute < 60;
}

// Only a window of two real times of day can cross midnight; anything else keeps the
// plain same-day rule, under which a nonsense time simply never matches the clock.
bool crossesMidnight(const DailyWindow& w) {
    return isTimeOfDay(w.startHour, w.startMinute) && isTimeOfDay(w.endHour, w.endMinute) &&
           endOf(w) < startOf(w);
}

} // namespace

bool windowOpen(const DailyWindow& window, ClockTime now) {
    const auto time = key(now.hour, now.minute);
    if (crossesMidnight(window))
        return time >= startOf(window) || time < endOf(window);
    return time >= startOf(window) && time < endOf(window);
}

bool deadlineReached(const DailyWindow& window, ClockTime now) {
    const auto time = key(now.hour, now.minute);
    if (crossesMidnight(window))
        return time >= endOf(window) && time < startOf(window);
    return time >= endOf(window);
}

} // namespace larkspur::job
