#include <QDir>
#include <QUrl>
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
        notifier.shown.clear();
        machine.powerOffRequests = 0;
        dialup.connections = {0x31};
        c.night();
        ASSERT_EQ(summaries.size(), 1);
        EXPECT_EQ(summaries[0].end, c.end);
        EXPECT_FALSE(job->rest->isActive());
        EXPECT_EQ(sleep.calls.mid(sleep.calls.size() - 2), QStringList({"take", "release"}));
        EXPECT_EQ(notifier.shown.size(), 1); // the morning is told, once
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

TEST_F(NightEnd, TheNotificationsActionOpensTheDownloadFolder) {
    job->Button7Click();
    job->Button8Click();
    ASSERT_EQ(notifier.shown.size(), 1);
    emit notifier.actionInvoked(notifier.shown[0].id + 1, "open-folder"); // not ours
    emit notifier.actionInvoked(notifier.shown[0].id, "open-folder");
    EXPECT_EQ(shell.opened, QList<QUrl>{QUrl::fromLocalFile(path("dl") + "/")});
}

// A cause on this machine gives no line up: a missing folder is made again, and one that
// stays unusable ends the night after three tries with the whole list kept.
TEST_F(NightEnd, AFailureOfThisMachineNeverGivesALineUp) {
    server.serveFile("data");
    struct Case {
        const char* name;
        std::function<void()> damage;
        NightSummary::End end;
    };
    const Case cases[] = {
        {"folder deleted", [&] { QDir(path("dl")).removeRecursively(); },
         NightSummary::End::ListDone},
        {"a file in the folder's place",
         [&] {
             QDir(path("dl")).removeRecursively();
             QFile file(path("dl"));
             ASSERT_TRUE(file.open(QIODevice::WriteOnly));
         },
         NightSummary::End::LocalFailure},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        summaries.clear();
        view.log.clear();
        setList({server.url("/a.bin"), server.url("/b.bin")});
        c.damage();
        job->ErrorCount = 10; // one counted failure more would give the line up
        for (int pass = 0; pass < 5 && summaries.isEmpty(); ++pass) {
            job->rest->stop();
            job->Download();
        }
        ASSERT_EQ(summaries.size(), 1);
        EXPECT_EQ(summaries[0].end, c.end);
        EXPECT_TRUE(log().filter("Given up:").isEmpty());
        if (c.end == NightSummary::End::LocalFailure) {
            EXPECT_EQ(view.urls.size(), 2); // the list is kept whole
            EXPECT_EQ(summaries[0].reason,
                      "The download folder cannot be written: Not a directory. The list is kept.");
            EXPECT_EQ(log().filter("The download folder cannot be written").size(), 1);
        } else {
            EXPECT_EQ(downloaded("a.bin"), "data");
        }
        QFile::remove(path("dl"));
        QDir().mkpath(path("dl"));
    }
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
    clock.time = {3, 0};
    job->Button7Click();
    job->Button8Click();
    EXPECT_EQ(downloaded("log.txt"), "Started\r\nStopped\r\n");
}

} // namespace
