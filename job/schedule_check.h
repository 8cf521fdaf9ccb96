#pragma once

#include <QString>
#include <optional>

#include "job/daily_window.h"

namespace larkspur::job {

enum class ScheduleField { StartHour, StartMinute, EndHour, EndMinute };

// The four schedule fields as typed.
struct ScheduleTexts {
    QString startHour;
    QString startMinute;
    QString endHour;
    QString endMinute;
};

// What Begin makes of the schedule fields: the window, or the field that keeps it from
// ever opening with the line that says why.
struct ScheduleCheck {
    std::optional<DailyWindow> window;
    std::optional<ScheduleField> wrongField;
    QString refusal;
};

// Each field must hold digits only, blanks around them aside: an hour from 0 to 23, a
// minute from 0 to 59. A start equal to the end is a window of no minute at all, which
// never opens: refused with the end hour as the wrong field ("Anytime" is the whole day).
ScheduleCheck checkSchedule(const ScheduleTexts& texts);

// "Waiting for the window 02:00 to 09:00: it opens in 4 h 12 min" while the window is
// closed at `now`; empty while it is open, and for a window that never opens.
QString waitingLine(const DailyWindow& window, ClockTime now);

} // namespace larkspur::job
