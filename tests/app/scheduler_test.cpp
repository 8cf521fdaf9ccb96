#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

#include "tests/support/qt_printers.h"

#include "tests/support/job_fixture.h"

using larkspur::test::JobFixture;
using larkspur::test::RecordedRequest;
using larkspur::test::ScriptedReply;

namespace {

using Scheduler = JobFixture;

std::vector<bool> activity(const TForm1& form) {
    std::vector<bool> active;
    for (const QTimer* timer :
         {form.Timer1, form.Timer2, form.Timer3, form.Timer4, form.Timer5, form.rest})
        active.push_back(timer->isActive());
    return active;
}

TEST_F(Scheduler, BeginWaitsTranslucentAndStopEndsEverythingIncludingTheRedialCycle) {
    form->Timer5->start();
    form->rest->start();
    form->Button7Click(form->Button7);
    EXPECT_EQ(activity(*form), std::vector<bool>({true, false, false, true, true, false}));
    EXPECT_EQ(form->Label10->text(), "waiting...");
    EXPECT_FALSE(form->Edit5->isEnabled());
    EXPECT_NEAR(form->windowOpacity(), 215 / 255.0, 0.01);

    form->RedialArmed = true;
    form->Timer2->start();
    form->Button8Click(form->Button8);
    EXPECT_EQ(activity(*form), std::vector<bool>(6, false));
    EXPECT_EQ(log(), QStringList({"Started", "Stopped"}));
    EXPECT_EQ(form->Label10->text(), "idle");
    EXPECT_TRUE(form->StopRequested);
    EXPECT_FALSE(form->RedialArmed);
    EXPECT_TRUE(form->Edit5->isEnabled());
    EXPECT_DOUBLE_EQ(form->windowOpacity(), 1.0);
}

struct PollCase {
    const char* start;
    const char* end;
    bool anytime;
    larkspur::platform::TimeOfDay closed;
    larkspur::platform::TimeOfDay open; // {99, 0}: never opens
};

TEST_F(Scheduler, TheWindowPollDialsOnceTheWindowOpens) {
    const PollCase cases[] = {
        {"02", "09", false, {1, 59}, {2, 0}},   {"02", "09", false, {9, 0}, {2, 0}},
        {"22", "06", false, {21, 59}, {22, 0}}, {"22", "06", false, {6, 0}, {5, 59}},
        {"05", "05", false, {5, 0}, {99, 0}},   {"05", "05", true, {99, 0}, {5, 0}},
    };
    for (const PollCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.start << "-" << c.end << " anytime " << c.anytime);
        form->Edit5->setText(c.start);
        form->Edit7->setText(c.end);
        form->Anytime->setChecked(c.anytime);
        form->Button7Click(form->Button7);
        for (const auto& [time, opens] : {std::pair{c.closed, false}, std::pair{c.open, true}}) {
            if (time.hour == 99)
                continue;
            clock.time = time;
            form->Timer1Timer(form->Timer1);
            EXPECT_EQ(form->Timer1->isActive(), !opens);
            EXPECT_EQ(form->Timer3->isActive(), opens);
        }
        EXPECT_EQ(log().last() == "Total downloaded: 0.00 KB", c.open.hour != 99);
        form->Button8Click(form->Button8);
    }
}

TEST_F(Scheduler, TheEndOfTheWindowRunsOnceADayNotOnEveryTick) {
    clock.time = {3, 0};
    form->Button7Click(form->Button7);
    form->Timer1Timer(form->Timer1);
    EXPECT_EQ(form->Label10->text(), "downloaded");
    const std::pair<larkspur::platform::TimeOfDay, int> ticks[] = {
        {{3, 0}, 0}, {{9, 0}, 1}, {{9, 0}, 1}, {{23, 59}, 1}, {{0, 0}, 1}, {{9, 0}, 2}};
    for (const auto& [time, ends] : ticks) {
        clock.time = time;
        form->Timer3Timer(form->Timer3);
        EXPECT_EQ(log().filter("Время вышло.").size(), ends) << time.hour << ":" << time.minute;
    }
    EXPECT_EQ(log().filter("Total time:").size(), 3);
}

TEST_F(Scheduler, TheRedialDelayDownloadsOverALineThatCameUpElseDialsAgain) {
    form->Timer2->start();
    form->Timer2Timer(form->Timer2);
    EXPECT_FALSE(form->Timer2->isActive());
    EXPECT_TRUE(log().contains("All files downloaded"));
    dialup.connections.clear();
    form->Timer2Timer(form->Timer2);
    EXPECT_EQ(log().last(), "Connecting. Attempt #1");
    form->Timer5->start();
    form->Timer5Timer(form->Timer5);
    EXPECT_FALSE(form->Timer5->isActive());
}

class ScheduledTransfer : public JobFixture {
protected:
    void SetUp() override {
        JobFixture::SetUp();
        server.setScript([](const RecordedRequest&) {
            ScriptedReply reply(200, QByteArray(50'000, 'z'));
            reply.stallAfter = 3000;
            return reply;
        });
        setList({server.url("/night.bin")});
    }
};

TEST_F(ScheduledTransfer, HangingUpAtTheEndOfTheWindowAbortsTheTransferAndKeepsTheLine) {
    form->CheckBox3->setChecked(true);
    form->Edit7->setText("09");
    clock.time = {9, 0};
    duringTransfer = [this] { form->Timer3Timer(form->Timer3); };
    form->Download();
    EXPECT_EQ(log().filter("Время вышло.").size(), 2);
    EXPECT_EQ(log().filter("Error while downloading!").size(), 1);
    EXPECT_TRUE(form->rest->isActive());
    EXPECT_FALSE(form->RedialArmed);
    EXPECT_EQ(form->Memo1->lines(), QStringList{server.url("/night.bin")});
    EXPECT_FALSE(dialup.hangUps.empty());
}

TEST_F(ScheduledTransfer, ClosingDuringATransferSavesStopsAndLogsNoError) {
    form->show();
    duringTransfer = [this] { form->close(); };
    form->Download();
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(log().contains("Stopped"));
    EXPECT_TRUE(log().filter("Error while downloading!").isEmpty());
    QFile list(path("1.txt"));
    ASSERT_TRUE(list.open(QIODevice::ReadOnly));
    EXPECT_EQ(list.readAll(), server.url("/night.bin").toLatin1());
}

} // namespace
