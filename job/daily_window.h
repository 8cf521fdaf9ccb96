#pragma once

#include <cstdint>

namespace larkspur::job {

// A time of day as the clock gives it; fields may hold any byte when they come from
// the schedule fields, so no range is assumed.
struct ClockTime {
    unsigned hour = 0;
    unsigned minute = 0;
};

// The daily time window of a job, as typed into the four schedule fields.
struct DailyWindow {
    std::uint8_t startHour = 0;
    std::uint8_t startMinute = 0;
    std::uint8_t endHour = 0;
    std::uint8_t endMinute = 0;
};

// Whether `now` lies in [start, end). A window whose end is earlier than its start
// crosses midnight; equal start and end, or a time that is not a time of day, never open.
bool windowOpen(const DailyWindow& window, ClockTime now);

// Whether the end of the window has been reached today: from the end time until
// midnight, or, for a window that crosses midnight, from its end until its start.
bool deadlineReached(const DailyWindow& window, ClockTime now);

} // namespace larkspur::job
