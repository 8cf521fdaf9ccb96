#include <QCoreApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include "tests/support/qt_printers.h"

#include "framework/errors.h"
#include "tests/support/engine_fixture.h"

using larkspur::test::EngineFixture;
using larkspur::test::RecordedRequest;
using larkspur::test::ScriptedReply;

namespace {

using QueueDriver = EngineFixture;

QByteArray content(int size) {
    QByteArray data(size, '\0');
    for (int i = 0; i < size; ++i)
        data[i] = static_cast<char>(i * 7 + i / 251);
    return data;
}

TEST_F(QueueDriver, DoesNothingAtAllOnceStopped) {
    setList({server.url("/a.bin")});
    job->StopRequested = true;
    job->Download();
    EXPECT_TRUE(log().isEmpty());
    EXPECT_EQ(view.status, "idle");
    EXPECT_FALSE(QFile::exists(path("dl/log.txt")));
}

TEST_F(QueueDriver, AnEmptyListFinishesTheJobAtOnce) {
    job->Download();
    EXPECT_EQ(log(), QStringList({"", "All files downloaded", "Total time: 00:00:00",
                                  "Total downloaded: 0.00 KB"}));
    EXPECT_EQ(view.status, "downloaded");
    EXPECT_EQ(view.saves, 1);
    EXPECT_EQ(downloaded("log.txt").count("\r\n"), 4);
}

TEST_F(QueueDriver, FetchesEveryFileWholeAndLogsEachInSevenLines) {
    const QByteArray a = content(5000), b = content(1);
    server.setScript([&](const RecordedRequest& r) {
        return larkspur::test::fileReply(r.target.endsWith("a.bin") ? a : b, r);
    });
    setList({server.url("/dir/a.bin"), server.url("/b.bin")});
    job->Download();
    EXPECT_EQ(downloaded("a.bin"), a);
    EXPECT_EQ(downloaded("b.bin"), b);
    EXPECT_TRUE(view.urls.isEmpty());
    const QStringList lines = log();
    ASSERT_GE(lines.size(), 9);
    EXPECT_EQ(lines.mid(0, 5),
              QStringList({"", "Start download: " + server.url("/dir/a.bin"),
                           "  save to: " + path("dl/a.bin"), "", "Downloaded: a.bin Size: 5000"}));
    EXPECT_TRUE(QRegularExpression("^  Time: 00:00:01$").match(lines[5]).hasMatch());
    EXPECT_TRUE(QRegularExpression("^  Average speed: \\d+ b/s$").match(lines[6]).hasMatch());
    EXPECT_EQ(lines[7],
              "  SHA-256: " + QCryptographicHash::hash(a, QCryptographicHash::Sha256).toHex());
    EXPECT_EQ(lines[8], "");
    EXPECT_TRUE(lines.contains("All files downloaded"));
    EXPECT_EQ(job->TotalBytes, 5001u);
    EXPECT_EQ(view.status, "downloaded");
}

TEST_F(QueueDriver, AFailingLineIsTriedElevenTimesThenGivenUp) {
    server.setScript([](const RecordedRequest&) { return ScriptedReply(404, "<html>no</html>"); });
    setList({server.url("/gone.bin"), server.url("/next.bin")});
    for (int pass = 0; pass < 11; ++pass) {
        job->Download();
        ASSERT_TRUE(job->rest->isActive());
        job->rest->stop();
    }
    QStringList errors = log().filter("Error while downloading!");
    ASSERT_EQ(errors.size(), 11);
    EXPECT_EQ(errors.first(), "Error while downloading! (0 of 10)");
    EXPECT_EQ(errors.last(), "Error while downloading! (10 of 10)");
    QStringList reasons;
    for (qsizetype line = 0; line < log().size(); ++line)
        if (log()[line].startsWith("Error while downloading!"))
            reasons.append(log().value(line + 1));
    EXPECT_EQ(reasons, QStringList(11, "  404 Not Found"));
    EXPECT_FALSE(QFile::exists(path("dl/gone.bin"))); // nothing left of a line given up
    EXPECT_EQ(view.urls, QStringList{server.url("/next.bin")});
    EXPECT_EQ(log().filter("Given up:"),
              QStringList{"Given up: " + server.url("/gone.bin") + " after 11 failures"});
    QFile givenUp(path("given-up.txt")); // kept beside the list once the log is replaced
    ASSERT_TRUE(givenUp.open(QIODevice::ReadOnly));
    EXPECT_TRUE(givenUp.readAll().endsWith("\t" + server.url("/gone.bin").toLatin1() +
                                           "\t404 Not Found\r\n"));
    EXPECT_EQ(view.bytesText, "n/a");
    job->Download();
    EXPECT_EQ(log().filter("Error while downloading!").last(),
              "Error while downloading! (0 of 10)");
}

TEST_F(QueueDriver, GivingUpTheLastLineStillFinishesTheJob) {
    server.setScript([](const RecordedRequest&) { return ScriptedReply(500, "oops"); });
    setList({server.url("/x")});
    job->ErrorCount = 10;
    job->Download();
    EXPECT_FALSE(job->rest->isActive()); // the night is over: no retry, no dial after it
    EXPECT_TRUE(view.urls.isEmpty());
    const QStringList lines = log();
    EXPECT_EQ(lines.mid(lines.indexOf("All files downloaded") + 3),
              QStringList{"Total given up: 1 line"});
}

TEST_F(QueueDriver, StopInATransferKeepsTheLineAndThePartialFileWithoutAnErrorLine) {
    const QByteArray data = content(100'000);
    server.setScript([&](const RecordedRequest&) {
        ScriptedReply reply(200, data);
        reply.stallAfter = 4000;
        return reply;
    });
    setList({server.url("/s.bin")});
    duringTransfer = [this] { job->Button8Click(); };
    job->Download();
    EXPECT_TRUE(log().filter("Error while downloading!").isEmpty());
    EXPECT_EQ(view.urls, QStringList{server.url("/s.bin")});
    EXPECT_EQ(job->ErrorCount, 1);
    EXPECT_EQ(view.status, "idle");
    EXPECT_FALSE(job->rest->isActive());
    EXPECT_GT(downloaded("s.bin").size(), 0);
}

TEST_F(QueueDriver, AResumedFileEndsWholeAndCountsFromTheStartOfTheFile) {
    const QByteArray data = content(20'000);
    server.serveFile(data);
    QFile partial(path("dl/r.bin"));
    ASSERT_TRUE(partial.open(QIODevice::WriteOnly));
    partial.write(data.left(12'000));
    partial.close();
    setList({server.url("/r.bin")});
    int firstPosition = -1;
    duringTransfer = [&] { firstPosition = view.barPosition; };
    job->Download();
    EXPECT_EQ(downloaded("r.bin"), data);
    EXPECT_TRUE(log().contains("Resume download: " + server.url("/r.bin")));
    EXPECT_TRUE(log().contains("Downloaded: r.bin Size: 20000"));
    EXPECT_GE(firstPosition, 70); // resumed 5000 bytes before the end of the 12000 kept
}

// The part on disk before a restart took none of this transfer's time.
TEST_F(QueueDriver, AResumedFileShowsTheSpeedOfWhatArrivesNotOfWhatWasOnDisk) {
    constexpr int Rate = 40'000;
    const QByteArray data = content(1'000'000);
    server.setScript([&](const RecordedRequest& r) {
        ScriptedReply reply = larkspur::test::fileReply(data, r);
        reply.bytesPerSecond = Rate;
        return reply;
    });
    QFile partial(path("dl/r.bin"));
    ASSERT_TRUE(partial.open(QIODevice::WriteOnly));
    partial.write(data.left(data.size() - 55'000)); // 60,000 bytes to come, with the overlap
    partial.close();
    setList({server.url("/r.bin")});
    QElapsedTimer real;
    real.start();
    QString shown;
    job->HTTPGet1->OnProgress = [&](QObject* sender, auto total, auto readed) {
        clock.ticks = 1000 + static_cast<std::uint32_t>(real.elapsed());
        job->HTTPGet1Progress(sender, total, readed);
        shown = view.speed;
    };
    job->Download();
    ASSERT_EQ(downloaded("r.bin"), data);
    const QString average = log().filter("  Average speed: ").value(0).mid(17);
    for (const QString& speed : {shown, average}) {
        SCOPED_TRACE(speed.toStdString());
        ASSERT_TRUE(speed.endsWith(" b/s"));
        EXPECT_NEAR(speed.chopped(4).toDouble(), Rate, Rate * 0.2);
    }
}

TEST_F(QueueDriver, BlanksAroundAPastedUrlAreNeitherRequestedNorInTheFileName) {
    server.serveFile("pdf");
    const QString typed = " \t" + server.url("/readme.pdf") + " \t";
    setListText(typed + "\r\n" + server.url("/readme.pdf"));
    dialup.connections.clear(); // one pass, then back to waiting
    job->Download();
    EXPECT_EQ(server.requests().value(0).target, "/readme.pdf");
    EXPECT_EQ(downloaded("readme.pdf"), "pdf");
    EXPECT_TRUE(log().contains("Start download: " + server.url("/readme.pdf")));
    EXPECT_EQ(view.urls, QStringList{server.url("/readme.pdf")}); // the typed one went
}

TEST_F(QueueDriver, AnEditDuringTheTransferNeverCostsAnotherLineAndASecondRunIsRefused) {
    server.serveFile(content(8000));
    setList({server.url("/e.bin")});
    qsizetype linesBeforeSecondRun = 0;
    duringTransfer = [&] {
        view.urls.prepend("typed meanwhile");
        linesBeforeSecondRun = log().size();
        job->Download();
        EXPECT_EQ(log().size(), linesBeforeSecondRun);
    };
    dialup.connections.clear(); // after the pass the line is down: back to waiting
    job->Download();
    EXPECT_EQ(view.urls, QStringList{"typed meanwhile"});
    EXPECT_EQ(log().filter("Start download:").size(), 1);
    EXPECT_EQ(view.status, "waiting...");
}

TEST_F(QueueDriver, BlankLinesAreDroppedWithoutStallingTheDriver) {
    server.serveFile("x");
    setListText("\r\n\r\n" + server.url("/one") + "\r\n\r\n");
    job->Download();
    EXPECT_TRUE(view.urls.isEmpty());
    EXPECT_EQ(downloaded("one"), "x");
}

TEST_F(QueueDriver, AnEmptyListOrABlankHeadLineAfterTheEndTimeFinishesOnce) {
    view.schedule[2] = "09";
    clock.time = {10, 0};
    for (const QString& list : {QString(), QStringLiteral("\r\n\r\n")}) {
        view.log.clear();
        setListText(list);
        job->Download();
        EXPECT_EQ(log().filter("Total time:").size(), 1) << log().join("|").toStdString();
    }
}

TEST_F(QueueDriver, AMissingDownloadFolderIsLoggedAtTheLogSaveAndTheRunGoesOn) {
    setList({server.url("/a.bin")});
    job->DownloadDir = path("nowhere");
    job->Download();
    EXPECT_TRUE(log().first().startsWith("Cannot create file \"" + path("nowhere/log.txt")));
    EXPECT_TRUE(job->rest->isActive()); // the file cannot be made either: a failed pass
}

using TransferEvents = EngineFixture;

TEST_F(TransferEvents, TimesCountFromTheFirstProgressAcrossAttemptsAndATickWrap) {
    clock.ticks = 0xFFFF'FC18; // 1000 ms before the counter wraps
    job->HTTPGet1Progress(nullptr, 4000, 1000);
    EXPECT_EQ(view.bytesText, "1,000 of 4,000");
    EXPECT_EQ(view.barPosition, 50);
    job->HTTPGet1Error(nullptr);
    clock.ticks = 1000;
    job->HTTPGet1Progress(nullptr, 4000, 4000);
    EXPECT_EQ(view.speed, "1500 b/s"); // the 3000 bytes since the timing started
    job->HTTPGet1DoneFile(nullptr, path("dl/f.bin"), 4000);
    EXPECT_TRUE(log().contains("  Time: 00:00:02"));
    EXPECT_TRUE(log().contains("  Average speed: 1500 b/s"));
    EXPECT_EQ(job->TotalTime, 2001u);
    EXPECT_EQ(job->FileStartTick, 1u);
}

TEST_F(TransferEvents, SpeedsCountWhatArrivedAcrossAttemptsAndIntoTheNextLine) {
    clock.ticks = 1000;
    job->HTTPGet1Progress(nullptr, 2'000'000, 1'000'000); // the first block of a resume
    clock.ticks = 2000;
    job->HTTPGet1Progress(nullptr, 2'000'000, 1'004'000);
    EXPECT_EQ(view.speed, "4000 b/s");
    job->HTTPGet1Error(nullptr); // given up: the next line's timing goes on from here
    clock.ticks = 3000;
    job->HTTPGet1Progress(nullptr, 10'000, 1000);
    clock.ticks = 4000;
    job->HTTPGet1Progress(nullptr, 10'000, 9000);
    EXPECT_EQ(view.speed, "4000 b/s"); // 4000 + 8000 bytes in 3 s
    job->HTTPGet1DoneFile(nullptr, path("dl/next.bin"), 10'000);
    EXPECT_TRUE(log().contains("  Average speed: 4000 b/s"));
}

TEST_F(TransferEvents, AFileWithoutProgressOrOnOneTickTakesNoTimeAndShowsNoSpeed) {
    job->HTTPGet1DoneFile(nullptr, path("dl/empty"), 0);
    job->HTTPGet1Progress(nullptr, 0, 0);
    EXPECT_EQ(view.barPosition, 0);
    job->HTTPGet1DoneFile(nullptr, path("dl/tiny"), 10);
    EXPECT_EQ(log().filter("Average speed").size(), 0);
    EXPECT_EQ(log().filter("  Time: 00:00:00").size(), 2);
    EXPECT_EQ(job->TotalTime, 1u);
    EXPECT_EQ(job->TotalBytes, 10u);
}

using FinishJob = EngineFixture;

TEST_F(FinishJob, LogsTheSameTotalsEachTimeAndHangsUpAndPowersOffWhenAsked) {
    job->TotalBytes = 1536;
    job->FinishJob();
    job->DisconnectWhenDone = true;
    job->TurnOffWhenDone = true;
    QByteArray logWhenPoweredOff; // nothing written after the request is sure to reach the disk
    machine.onPowerOff = [&] { logWhenPoweredOff = downloaded("log.txt"); };
    job->FinishJob();
    EXPECT_EQ(log(),
              QStringList({"Total time: 00:00:00", "Total downloaded: 1.50 KB",
                           "Total time: 00:00:00", "Total downloaded: 1.50 KB", "Powering off"}));
    EXPECT_EQ(logWhenPoweredOff, "Total time: 00:00:00\r\nTotal downloaded: 1.50 KB\r\n"
                                 "Total time: 00:00:00\r\nTotal downloaded: 1.50 KB\r\n"
                                 "Powering off\r\n");
    EXPECT_EQ(dialup.hangUps, std::vector<larkspur::platform::ConnectionHandle>{0x31});
    EXPECT_EQ(machine.powerOffRequests, 1);
    EXPECT_EQ(machine.calls, QStringList({"flush " + path("dl"), "power off"}));
}

TEST_F(FinishJob, AFailedLogSaveIsLoggedAndHangUpAndPowerOffStillFollow) {
    job->DisconnectWhenDone = true;
    job->TurnOffWhenDone = true;
    job->DownloadDir = path("nowhere");
    job->FinishJob();
    EXPECT_TRUE(log().last().startsWith("Cannot create file "));
    EXPECT_EQ(dialup.hangUps.size(), 1u);
    EXPECT_EQ(machine.powerOffRequests, 1);
}

TEST_F(FinishJob, TheEndOfWindowCheckHoldsFromTheEndTimeAndIgnoresAnytime) {
    view.schedule[2] = "09";
    clock.time = {8, 59};
    job->CheckDeadline();
    clock.time = {9, 0};
    job->CheckDeadline();
    EXPECT_EQ(log().filter("Время вышло.").size(), 1);
    view.anytimeTicked = true;
    clock.time = {23, 59};
    job->CheckDeadline();
    EXPECT_EQ(log().filter("Время вышло.").size(), 1);
}

} // namespace
