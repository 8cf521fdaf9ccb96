#include <gtest/gtest.h>
#include <tuple>

#include "tests/support/qt_printers.h"

#include "job/schedule_check.h"

using namespace larkspur::job;

namespace {

struct FieldsCase {
    ScheduleTexts texts;
    std::optional<ScheduleField> wrongField;
    const char* refusal;
};

TEST(ScheduleCheck, AWindowThatCanNeverOpenNamesItsWrongField) {
    const FieldsCase cases[] = {
        {{"02", "00", "09", "00"}, std::nullopt, ""},
        {{" 23 ", "59", "0", "0"}, std::nullopt, ""}, // crosses midnight, ends at 00:00
        {{"25", "99", "ab", "7x"},
         ScheduleField::StartHour,
         "The window cannot open: the start hour \"25\" is not an hour from 0 to 23."},
        {{"02", "60", "09", "00"},
         ScheduleField::StartMinute,
         "The window cannot open: the start minute \"60\" is not a minute from 0 to 59."},
        {{"02", "00", "", "00"},
         ScheduleField::EndHour,
         "The window cannot open: the end hour \"\" is not an hour from 0 to 23."},
        {{"02", "00", "09", "7x"},
         ScheduleField::EndMinute,
         "The window cannot open: the end minute \"7x\" is not a minute from 0 to 59."},
        {{"+2", "00", "09", "00"},
         ScheduleField::StartHour,
         "The window cannot open: the start hour \"+2\" is not an hour from 0 to 23."},
        {{"02", "00", "99999999999", "00"},
         ScheduleField::EndHour,
         "The window cannot open: the end hour \"99999999999\" is not an hour from 0 to 23."},
        {{"05", "00", "5", "0"},
         ScheduleField::EndHour,
         "The window cannot open: it starts and ends at 05:00, so it is never open; tick "
         "\"Anytime\" to fetch at any time of day."},
    };
    for (const FieldsCase& c : cases) {
        SCOPED_TRACE(c.texts.startHour.toStdString() + ":" + c.texts.startMinute.toStdString() +
                     " to " + c.texts.endHour.toStdString() + ":" +
                     c.texts.endMinute.toStdString());
        const ScheduleCheck check = checkSchedule(c.texts);
        EXPECT_EQ(check.wrongField, c.wrongField);
        EXPECT_EQ(check.refusal, c.refusal);
        EXPECT_EQ(check.window.has_value(), !c.wrongField.has_value());
    }
    const DailyWindow late = *checkSchedule({"22", "30", "6", "05"}).window;
    EXPECT_EQ(std::tie(late.startHour, late.startMinute, late.endHour, late.endMinute),
              std::make_tuple(22, 30, 6, 5));
}

struct WaitCase {
    DailyWindow window;
    ClockTime now;
    const char* line;
};

TEST(ScheduleCheck, TheWaitingLineSaysWhenTheWindowOpensNext) {
    const DailyWindow night{2, 0, 9, 0};
    const DailyWindow late{22, 0, 6, 0};
    const WaitCase cases[] = {
        {night, {21, 48}, "Waiting for the window 02:00 to 09:00: it opens in 4 h 12 min"},
        {night, {1, 59}, "Waiting for the window 02:00 to 09:00: it opens in 1 min"},
        {night, {9, 0}, "Waiting for the window 02:00 to 09:00: it opens in 17 h"},
        {night, {2, 0}, ""}, // open: nothing to wait for
        {late, {12, 30}, "Waiting for the window 22:00 to 06:00: it opens in 9 h 30 min"},
        {late, {0, 30}, ""},
        {{5, 0, 5, 0}, {4, 0}, ""},  // never opens: refused at Begin instead
        {{25, 0, 9, 0}, {4, 0}, ""}, // not a time of day
    };
    for (const WaitCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.now.hour << ":" << c.now.minute);
        EXPECT_EQ(waitingLine(c.window, c.now), c.line);
    }
}

} // namespace
