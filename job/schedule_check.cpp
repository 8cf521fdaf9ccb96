#include "job/schedule_check.h"

#include <algorithm>

namespace larkspur::job {

namespace {

constexpr unsigned MinutesPerDay = 24 * 60;

struct FieldRule {
    ScheduleField field;
    const char* name;
    const char* unit;
    unsigned highest;
};

constexpr FieldRule fieldRules[] = {
    {ScheduleField::StartHour, "start hour", "an hour", 23},
    {ScheduleField::StartMinute, "start minute", "a minute", 59},
    {ScheduleField::EndHour, "end hour", "an hour", 23},
    {ScheduleField::EndMinute, "end minute", "a minute", 59},
};

// Digits only, at most `highest`; signs, blanks inside and other digits are no number here.
std::optional<std::uint8_t> valueOf(const QString& text, unsigned highest) {
    const QString digits = text.trimmed();
    const bool plainDigits =
        !digits.isEmpty() && std::all_of(digits.cbegin(), digits.cend(), [](QChar c) {
            return c >= QLatin1Char('0') && c <= QLatin1Char('9');
        });
    bool ok = false;
    const unsigned value = digits.toUInt(&ok);
    if (!plainDigits || !ok || value > highest)
        return std::nullopt;
    return static_cast<std::uint8_t>(value);
}

QString refusal(const QString& why) {
    return QStringLiteral("The window cannot open: %1.").arg(why);
}

QString clockText(unsigned hour, unsigned minute) {
    return QString::asprintf("%.2u:%.2u", hour, minute);
}

QString durationText(unsigned minutes) {
    if (minutes < 60)
        return QStringLiteral("%1 min").arg(minutes);
    if (minutes % 60 == 0)
        return QStringLiteral("%1 h").arg(minutes / 60);
    return QStringLiteral("%1 h %2 min").arg(minutes / 60).arg(minutes % 60);
}

} // namespace

ScheduleCheck checkSchedule(const ScheduleTexts& texts) {
    const QString* fieldTexts[] = {&texts.startHour, &texts.startMinute, &texts.endHour,
                                   &texts.endMinute};
    std::uint8_t values[4] = {};
    for (int i = 0; i < 4; ++i) {
        const FieldRule& rule = fieldRules[i];
        const std::optional<std::uint8_t> value = valueOf(*fieldTexts[i], rule.highest);
        if (!value)
            return {
                std::nullopt, rule.field,
                refusal(QStringLiteral("the %1 \"%2\" is not %3 from 0 to %4")
                            .arg(QLatin1String(rule.name), *fieldTexts[i], QLatin1String(rule.unit))
                            .arg(rule.highest))};
        values[i] = *value;
    }
    const DailyWindow window{values[0], values[1], values[2], values[3]};
    if (window.startHour == window.endHour && window.startMinute == window.endMinute)
        return {std::nullopt, ScheduleField::EndHour,
                refusal(QStringLiteral("it starts and ends at %1, so it is never open; tick "
                                       "\"Anytime\" to fetch at any time of day")
                            .arg(clockText(window.startHour, window.startMinute)))};
    return {window, std::nullopt, {}};
}

QString waitingLine(const DailyWindow& window, ClockTime now) {
    const bool realTimes = window.startHour < 24 && window.startMinute < 60 &&
                           window.endHour < 24 && window.endMinute < 60;
    const unsigned start = window.startHour * 60u + window.startMinute;
    const unsigned end = window.endHour * 60u + window.endMinute;
    if (!realTimes || start == end || windowOpen(window, now))
        return {};
    const unsigned wait = (start + MinutesPerDay - (now.hour * 60 + now.minute)) % MinutesPerDay;
    return QStringLiteral("Waiting for the window %1 to %2: it opens in %3")
        .arg(clockText(window.startHour, window.startMinute),
             clockText(window.endHour, window.endMinute), durationText(wait));
}

} // namespace larkspur::job
