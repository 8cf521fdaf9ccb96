#include <gtest/gtest.h>

#include "tests/support/qt_printers.h"

#include "tests/support/engine_fixture.h"

using larkspur::test::EngineFixture;
using larkspur::test::RecordedRequest;
using larkspur::test::ScriptedReply;

namespace {

using Scheduler = EngineFixture;

std::vector<bool> activity(const larkspur::engine::NightJob& job) {
    std::vector<bool> active;
    for (const QTimer* timer :
         {job.Timer1, job.Timer2, job.Timer3, job.Timer4, job.Timer5, job.rest})
        active.push_back(timer->isActive());
    return active;
}

TEST_F(Scheduler, BeginWaitsTranslucentAndStopEndsEverythingIncludingTheRedialCycle) {
    clock.time = {3, 0};
    job->Timer5->start();
    job->rest->start();
    job->Button7Click();
    EXPECT_EQ(activity(*job), std::vector<bool>({true, false, false, true, true, false}));
    EXPECT_EQ(view.status, "waiting...");
    EXPECT_TRUE(view.running);

    job->RedialArmed = true;
    job->Timer2->start();
    job->Button8Click();
    EXPECT_EQ(activity(*job), std::vector<bool>(6, false));
    EXPECT_EQ(log(), QStringList({"Started", "Stopped"}));
    EXPECT_EQ(view.status, "idle");
    EXPECT_TRUE(job->StopRequested);
    EXPECT_FALSE(job->RedialArmed);
    EXPECT_FALSE(view.running);
}

struct PollCase {
    const char* start;
    const char* end;
    bool anytime;
    larkspur::platform::TimeOfDay closed;
    larkspur::platform::TimeOfDay open; // {99, 0}: never opens
};

TEST_F(Scheduler, TheWindowPollDialsOnceTheWindowOpens) {
    dialup.connections.clear();
    const PollCase cases[] = {
        {"02", "09", false, {1, 59}, {2, 0}},   {"02", "09", false, {9, 0}, {2, 0}},
        {"22", "06", false, {21, 59}, {22, 0}}, {"22", "06", false, {6, 0}, {5, 59}},
        {"05", "05", true, {99, 0}, {5, 0}},
    };
    for (const PollCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.start << "-" << c.end << " anytime " << c.anytime);
        view.schedule[0] = c.start;
        view.schedule[2] = c.end;
        view.anytimeTicked = c.anytime;
        job->Edit5Change();
        job->Button7Click();
        for (const auto& [time, opens] : {std::pair{c.closed, false}, std::pair{c.open, true}}) {
            if (time.hour == 99)
                continue;
            clock.time = time;
            job->Timer1Timer();
            EXPECT_EQ(job->Timer1->isActive(), !opens);
            EXPECT_EQ(job->Timer3->isActive(), opens);
        }
        EXPECT_EQ(log().last().startsWith("Connecting. Attempt #"), c.open.hour != 99);
        job->Button8Click();
    }
}

TEST_F(Scheduler, BeginRefusesAWindowThatCanNeverOpenAndSaysWhenAnotherOpens) {
    const std::array<std::array<QString, 4>, 4> schedules{{{"25", "00", "09", "00"},
                                                           {"02", "99", "09", "00"},
                                                           {"ab", "00", "7x", "00"},
                                                           {"05", "00", "05", "00"}}};
    for (const auto& schedule : schedules) {
        SCOPED_TRACE(schedule[0].toStdString());
        view.schedule = schedule;
        view.log.clear();
        job->Button7Click();
        EXPECT_FALSE(job->Timer1->isActive());
        ASSERT_EQ(log().size(), 1);
        EXPECT_TRUE(log()[0].startsWith("The window cannot open: ")) << log()[0].toStdString();
    }
    view.schedule = {"02", "00", "09", "00"};
    job->Edit5Change();
    clock.time = {21, 48};
    job->Button7Click();
    EXPECT_EQ(log().last(), "Waiting for the window 02:00 to 09:00: it opens in 4 h 12 min");
}

TEST_F(Scheduler, TheEndOfTheWindowRunsOnceADayAndWaitsForTheNextWindow) {
    dialup.connections.clear(); // dialling when the window ends
    clock.time = {3, 0};
    job->Button7Click();
    job->Timer1Timer();
    EXPECT_TRUE(job->Timer3->isActive());
    const std::pair<larkspur::platform::TimeOfDay, int> ticks[] = {
        {{3, 0}, 0}, {{9, 0}, 1}, {{9, 0}, 1}, {{23, 59}, 1}, {{0, 0}, 1}, {{9, 0}, 2}};
    for (const auto& [time, ends] : ticks) {
        clock.time = time;
        job->Timer3Timer();
        EXPECT_EQ(log().filter("Время вышло.").size(), ends) << time.hour << ":" << time.minute;
    }
    EXPECT_EQ(log().filter("Total time:").size(), 2);
    EXPECT_EQ(view.status, "waiting...");
    EXPECT_TRUE(job->Timer1->isActive());
    EXPECT_FALSE(job->Timer3->isActive());
    EXPECT_FALSE(job->RedialArmed); // a dial still under way dials no more
}

TEST_F(Scheduler, TheRedialDelayDownloadsOverALineThatCameUpElseDialsAgain) {
    job->Timer2->start();
    job->Timer2Timer();
    EXPECT_FALSE(job->Timer2->isActive());
    EXPECT_TRUE(log().contains("All files downloaded"));
    dialup.connections.clear();
    job->Timer2Timer();
    EXPECT_EQ(log().last(), "Connecting. Attempt #1");
    job->Timer5->start();
    job->Timer5Timer();
    EXPECT_FALSE(job->Timer5->isActive());
}

class ScheduledTransfer : public EngineFixture {
protected:
    void SetUp() override {
        EngineFixture::SetUp();
        server.setScript([](const RecordedRequest&) {
            ScriptedReply reply(200, QByteArray(50'000, 'z'));
            reply.stallAfter = 3000;
            return reply;
        });
        setList({server.url("/night.bin")});
    }
};

TEST_F(ScheduledTransfer, TheEndOfTheWindowStopsTheTransferOnceWhateverDisconnectSays) {
    view.schedule[2] = "09";
    clock.time = {9, 0};
    for (const bool disconnect : {false, true}) {
        SCOPED_TRACE(disconnect);
        job->DisconnectWhenDone = disconnect;
        view.log.clear();
        dialup.hangUps.clear();
        job->Button7Click();
        job->Timer1Timer(); // the window test fails: waits
        duringTransfer = [this] { job->Timer3Timer(); };
        const qsizetype requests = server.requests().size();
        job->Download();
        job->CheckDeadlineOncePerEnd();
        EXPECT_EQ(log().filter("Время вышло.").size(), 1);
        EXPECT_EQ(log().filter("Total time:").size(), 1);
        EXPECT_TRUE(log().filter("Error while downloading!").isEmpty());
        EXPECT_EQ(server.requests().size(), requests + 1); // no transfer after the end
        EXPECT_FALSE(job->rest->isActive());
        EXPECT_TRUE(job->Timer1->isActive());
        EXPECT_EQ(view.status, "waiting...");
        EXPECT_EQ(job->ErrorCount, 0);
        EXPECT_EQ(view.urls, QStringList{server.url("/night.bin")});
        EXPECT_GT(downloaded("night.bin").size(), 0); // resumed at the next window
        EXPECT_EQ(dialup.hangUps.size(), disconnect ? 1u : 0u);
        clock.time = {0, 0}; // the next day's end runs again
        job->CheckDeadlineOncePerEnd();
        clock.time = {9, 0};
    }
}

} // namespace
