#include <gtest/gtest.h>

#include "tests/support/qt_printers.h"

#include "framework/errors.h"
#include "tests/support/engine_fixture.h"

using larkspur::engine::NightSummary;
using larkspur::test::EngineFixture;
using larkspur::test::RecordedRequest;
using larkspur::test::ScriptedReply;

namespace {

class NightEnd : public EngineFixture {
protected:
    void SetUp() override {
        EngineFixture::SetUp();
        QObject::connect(job.get(), &larkspur::engine::NightJob::nightEnded,
                         [this](const NightSummary& summary) { summaries.append(summary); });
    }

    QList<NightSummary> summaries;
};

TEST_F(NightEnd, EachWayANightEndsIsReportedOnceAndEndsItOnce) {
    struct Case {
        const char* name;
        std::function<void()> night;
        NightSummary::End end;
    };
    const auto begin = [this](larkspur::platform::TimeOfDay at) {
        clock.time = at;
        job->Button7Click();
        job->Timer1Timer();
    };
    const Case cases[] = {
        {"list done",
         [&] {
             begin({3, 0});
         },
         NightSummary::End::ListDone},
        {"last line given up",
         [&] {
             server.setScript([](const RecordedRequest&) { return ScriptedReply(500, "oops"); });
             setList({server.url("/x")});
             job->ErrorCount = 10;
             begin({3, 0});
         },
         NightSummary::End::ListDone},
        {"window over",
         [&] {
             dialup.connections.clear();
             begin({8, 59});
             clock.time = {9, 0};
             job->Timer3Timer();
             job->Timer3Timer();
         },
         NightSummary::End::WindowOver},
        {"stopped",
         [&] {
             begin({1, 0});
             job->Button8Click();
             job->Button8Click();
         },
         NightSummary::End::Stopped},
    };
    job->TurnOffWhenDone = true;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        summaries.clear();
        machine.powerOffRequests = 0;
        dialup.connections = {0x31};
        c.night();
        ASSERT_EQ(summaries.size(), 1);
        EXPECT_EQ(summaries[0].end, c.end);
        EXPECT_FALSE(job->rest->isActive());
        EXPECT_EQ(machine.powerOffRequests, c.end == NightSummary::End::Stopped ? 0 : 1);
        job->Button8Click(); // a Stop after the end reports nothing more
        EXPECT_EQ(summaries.size(), 1);
    }
    EXPECT_TRUE(dialup.dials.size() <= 1u); // only the dial of the window-over night
}

TEST_F(NightEnd, TheSummaryCountsTheNightsFilesAndWhatWasGivenUpWithItsReason) {
    server.setScript([](const RecordedRequest& r) {
        return r.target == "/ok" ? ScriptedReply(200, "12345") : ScriptedReply(404, "no");
    });
    setList({server.url("/ok"), server.url("/gone")});
    clock.time = {3, 0};
    job->Button7Click();
    clock.ticks += 7000;
    job->Timer1Timer(); // the first file, and the first failure of the second
    job->ErrorCount = 10;
    job->rest->stop();
    job->begin();
    job->Timer1Timer();
    ASSERT_EQ(summaries.size(), 1);
    EXPECT_EQ(summaries[0].filesDone, 1);
    EXPECT_EQ(summaries[0].bytesDone, 5u);
    ASSERT_EQ(summaries[0].givenUp.size(), 1);
    EXPECT_EQ(summaries[0].givenUp[0].url, server.url("/gone"));
    EXPECT_EQ(summaries[0].givenUp[0].reason, "404 Not Found");
    EXPECT_GE(summaries[0].durationMs, 7000u);
}

TEST_F(NightEnd, AFailedSaveIsLoggedAndShownAndEveryLaterStepStillRuns) {
    view.onSave = [] { throw larkspur::Error("Cannot create file \"1.txt\". No space left"); };
    job->DisconnectWhenDone = true;
    job->TurnOffWhenDone = true;
    job->FinishJob();
    EXPECT_EQ(log().value(0), "Cannot create file \"1.txt\". No space left");
    EXPECT_EQ(log().filter("Total downloaded:").size(), 1);
    EXPECT_TRUE(downloaded("log.txt").startsWith("Cannot create file"));
    EXPECT_EQ(machine.calls, QStringList({"flush " + path("dl"), "power off"}));
    EXPECT_EQ(dialup.hangUps.size(), 1u);
    EXPECT_EQ(errorBox.messages.size(), 1);
}

TEST_F(NightEnd, StopWritesTheLogSoAnInterruptedNightIsOnDisk) {
    job->Button7Click();
    job->Button8Click();
    EXPECT_EQ(downloaded("log.txt"), "Started\r\nStopped\r\n");
}

} // namespace
