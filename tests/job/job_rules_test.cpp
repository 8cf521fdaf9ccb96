#include <gtest/gtest.h>
#include <optional>
#include <tuple>

#include "tests/support/qt_printers.h"

#include "job/daily_window.h"
#include "job/dial_texts.h"
#include "job/folder_field.h"
#include "job/queue_rules.h"
#include "job/schedule_check.h"
#include "job/transfer_texts.h"

using namespace larkspur::job;

namespace {

struct WindowCase {
    DailyWindow window;
    ClockTime now;
    bool open;
    bool deadline;
};

TEST(DailyWindowRules, OpenFromStartUntilEndAndCrossingMidnight) {
    const DailyWindow night{2, 0, 9, 0};
    const DailyWindow minute{2, 0, 2, 1};
    const DailyWindow late{22, 0, 6, 0};
    const DailyWindow same{5, 0, 5, 0};
    const DailyWindow badStart{255, 0, 9, 0}; // a field reading -1 never matches the clock
    const WindowCase cases[] = {
        {night, {1, 59}, false, false}, {night, {2, 0}, true, false},
        {night, {8, 59}, true, false},  {night, {9, 0}, false, true},
        {night, {23, 59}, false, true}, {night, {0, 0}, false, false},
        {minute, {2, 0}, true, false},  {minute, {2, 1}, false, true},
        {late, {21, 59}, false, true},  {late, {22, 0}, true, false},
        {late, {0, 30}, true, false},   {late, {5, 59}, true, false},
        {late, {6, 0}, false, true},    {same, {5, 0}, false, true},
        {same, {4, 59}, false, false},  {badStart, {3, 0}, false, false},
    };
    for (const WindowCase& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.window.startHour) << "-" << int(c.window.endHour)
                                        << " at " << c.now.hour << ":" << c.now.minute);
        EXPECT_EQ(windowOpen(c.window, c.now), c.open);
        EXPECT_EQ(deadlineReached(c.window, c.now), c.deadline);
    }
}

TEST(ScheduleCheck, AWindowThatCanNeverOpenNamesItsWrongField) {
    const QString noHour = "The window cannot open: the %1 \"%2\" is not an hour from 0 to 23.";
    const QString noMinute = "The window cannot open: the %1 \"%2\" is not a minute from 0 to 59.";
    const std::tuple<ScheduleTexts, std::optional<ScheduleField>, QString> cases[] = {
        {{" 23 ", "59", "0", "0"}, std::nullopt, ""}, // crosses midnight, ends at 00:00
        {{"25", "99", "ab", "7x"}, ScheduleField::StartHour, noHour.arg("start hour", "25")},
        {{"02", "60", "09", "00"}, ScheduleField::StartMinute, noMinute.arg("start minute", "60")},
        {{"02", "00", "+9", "00"}, ScheduleField::EndHour, noHour.arg("end hour", "+9")},
        {{"02", "00", "09", ""}, ScheduleField::EndMinute, noMinute.arg("end minute", "")},
        {{"05", "00", "5", "0"},
         ScheduleField::EndHour,
         "The window cannot open: it starts and ends at 05:00, so it is never open; tick "
         "\"Anytime\" to fetch at any time of day."},
    };
    for (const auto& [texts, field, refusal] : cases) {
        const ScheduleCheck check = checkSchedule(texts);
        EXPECT_EQ(check.wrongField, field) << refusal.toStdString();
        EXPECT_EQ(check.refusal, refusal);
        EXPECT_EQ(check.window.has_value(), !field);
    }
}

TEST(ScheduleCheck, TheWaitingLineSaysWhenTheWindowOpensNext) {
    const DailyWindow night{2, 0, 9, 0};
    const QString line = "Waiting for the window 02:00 to 09:00: it opens in ";
    EXPECT_EQ(waitingLine(night, {21, 48}), line + "4 h 12 min");
    EXPECT_EQ(waitingLine(night, {1, 59}), line + "1 min");
    EXPECT_EQ(waitingLine(night, {9, 0}), line + "17 h");
    EXPECT_EQ(waitingLine({22, 0, 6, 0}, {12, 30}),
              "Waiting for the window 22:00 to 06:00: it opens in 9 h 30 min");
    EXPECT_EQ(waitingLine(night, {2, 0}), "");        // open
    EXPECT_EQ(waitingLine({5, 0, 5, 0}, {4, 0}), ""); // never opens
}

TEST(FolderField, BeginNamesTheFolderInUseWhenDirHoldsAnotherOne) {
    const QString home = "/home/u/Downloads";
    for (const QString& same : {home, home + "/", QString("/home/u//Downloads"), QString()})
        EXPECT_EQ(unappliedFolderLine(same, home, home), "") << same.toStdString();
    EXPECT_EQ(unappliedFolderLine(QString::fromUtf8("/home/u/Téléchargements"), home, home),
              "The folder typed in \"Dir\" is not in use until Change is pressed: the files go "
              "to \"/home/u/Downloads\".");
}

TEST(QueueRules, FileNameIsTheTextAfterTheLastSlashCutTo100) {
    const QString longName(130, 'x');
    EXPECT_EQ(fileNameFromUrl("http://srv/dir/pack.zip"), "pack.zip");
    EXPECT_EQ(fileNameFromUrl("http://srv"), "srv");
    EXPECT_EQ(fileNameFromUrl("http://srv/dir/"), "");
    EXPECT_EQ(fileNameFromUrl("http://srv/a?b=c#d"), "a?b=c#d");
    EXPECT_EQ(fileNameFromUrl("http://srv/" + longName), longName.left(100));
    EXPECT_EQ(fileNameFromUrl(longName), longName.left(100)); // no slash at all
    EXPECT_EQ(urlOfLine(" \thttp://srv/readme.pdf \t"), "http://srv/readme.pdf");
}

TEST(QueueRules, ALineGoesWhenDoneOrAtItsEleventhFailure) {
    EXPECT_TRUE(removesLine(true, 0, false));
    EXPECT_FALSE(removesLine(false, 9, true));
    EXPECT_TRUE(removesLine(false, 10, true));
    EXPECT_FALSE(removesLine(false, 10, false)); // stopped: no error event, the line stays
}

TEST(QueueRules, FailuresCountWhileTheLengthHoldsAndWrapAtEightBits) {
    int lastCount = 300; // a list longer than 255 lines counts like any other
    std::uint8_t errors = 0;
    for (int pass = 0; pass < 10; ++pass)
        countPass(300, lastCount, errors);
    EXPECT_EQ(errors, 10);
    countPass(299, lastCount, errors);
    EXPECT_EQ(errors, 0);
    EXPECT_EQ(lastCount, 299);
    errors = 255;
    countPass(299, lastCount, errors);
    EXPECT_EQ(errors, 0);
}

TEST(TransferTexts, NumbersAreGroupedAndTruncated) {
    const QLocale c = QLocale::c();
    EXPECT_EQ(bytesOfTotalText(1048576, 2097152, c), "1,048,576 of 2,097,152");
    EXPECT_EQ(totalBytesText(1536, c), "Total downloaded: 1.50 KB");
    EXPECT_EQ(totalBytesText(0, c), "Total downloaded: 0.00 KB");
    EXPECT_EQ(totalBytesText(2'000'000'000, c), "Total downloaded: 1,953,125.00 KB");
    EXPECT_EQ(progressPosition(1, 3), 66);
    EXPECT_EQ(progressPosition(5, 0), 0);
    EXPECT_EQ(speedText(1000, 3), "333333 b/s");
}

TEST(TransferTexts, ACompletedFileGivesItsLinesAndLeavesSpeedOutWithoutTime) {
    EXPECT_EQ(fileDoneText("/d/f.zip", 2048, 1024, 2000),
              "Downloaded: f.zip Size: 2048\r\n  Time: 00:00:02\r\n  Average speed: 512 b/s\r\n");
    EXPECT_EQ(fileDoneText("/d/f.zip", 10, 10, 0),
              "Downloaded: f.zip Size: 10\r\n  Time: 00:00:00");
    EXPECT_EQ(fileDoneText("/d/f.zip", 2048, 1024, 2000, "ab12"),
              "Downloaded: f.zip Size: 2048\r\n  Time: 00:00:02\r\n  Average speed: 512 b/s\r\n"
              "  SHA-256: ab12\r\n");
    EXPECT_EQ(fileDoneText("/d/f.zip", 10, 10, 0, "ab12"),
              "Downloaded: f.zip Size: 10\r\n  Time: 00:00:00\r\n  SHA-256: ab12");
    EXPECT_EQ(transferErrorText(7), "Error while downloading! (7 of 10)\r\n");
}

TEST(DialTexts, StatesAndErrorsReadAsTheUserSeesThem) {
    EXPECT_EQ(dialErrorText(678), dialErrorText(679));
    EXPECT_EQ(dialErrorText(691), "Пароль не подошел. Use PWLHack.");
    EXPECT_EQ(dialErrorText(619), "Какая-то ошибка №619");
    EXPECT_EQ(dialErrorText(720), "Какая-то ошибка №720");
    EXPECT_TRUE(dialStateStep(8192).startsDownload);
    EXPECT_FALSE(dialStateStep(8193).startsDownload);
    EXPECT_TRUE(dialStateStep(3).text.isEmpty());
}

} // namespace
