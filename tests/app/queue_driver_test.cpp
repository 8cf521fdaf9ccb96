#include <QCheckBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include "tests/support/qt_printers.h"

#include "framework/errors.h"
#include "tests/support/job_fixture.h"

using larkspur::test::JobFixture;
using larkspur::test::RecordedRequest;
using larkspur::test::ScriptedReply;

namespace {

using QueueDriver = JobFixture;

QByteArray content(int size) {
    QByteArray data(size, '\0');
    for (int i = 0; i < size; ++i)
        data[i] = static_cast<char>(i * 7 + i / 251);
    return data;
}

TEST_F(QueueDriver, DoesNothingAtAllOnceStopped) {
    setList({server.url("/a.bin")});
    form->StopRequested = true;
    form->Download();
    EXPECT_TRUE(log().isEmpty());
    EXPECT_EQ(form->Label10->text(), "idle");
    EXPECT_FALSE(QFile::exists(path("dl/log.txt")));
}

TEST_F(QueueDriver, AnEmptyListFinishesTheJobAtOnce) {
    form->Download();
    EXPECT_EQ(log(), QStringList({"", "All files downloaded", "Total time: 00:00:00",
                                  "Total downloaded: 0.00 KB"}));
    EXPECT_EQ(form->Label10->text(), "downloaded");
    EXPECT_TRUE(QFile::exists(path("1.txt")));
    EXPECT_EQ(downloaded("log.txt").count("\r\n"), 4);
}

TEST_F(QueueDriver, FetchesEveryFileWholeAndLogsEachInSevenLines) {
    const QByteArray a = content(5000), b = content(1);
    server.setScript([&](const RecordedRequest& r) {
        return larkspur::test::fileReply(r.target.endsWith("a.bin") ? a : b, r);
    });
    setList({server.url("/dir/a.bin"), server.url("/b.bin")});
    form->Download();
    EXPECT_EQ(downloaded("a.bin"), a);
    EXPECT_EQ(downloaded("b.bin"), b);
    EXPECT_TRUE(form->Memo1->lines().isEmpty());
    const QStringList lines = log();
    ASSERT_GE(lines.size(), 8);
    EXPECT_EQ(lines.mid(0, 5),
              QStringList({"", "Start download: " + server.url("/dir/a.bin"),
                           "  save to: " + path("dl/a.bin"), "", "Downloaded: a.bin Size: 5000"}));
    EXPECT_TRUE(QRegularExpression("^  Time: 00:00:01$").match(lines[5]).hasMatch());
    EXPECT_TRUE(QRegularExpression("^  Average speed: \\d+ b/s$").match(lines[6]).hasMatch());
    EXPECT_EQ(lines[7], "");
    EXPECT_TRUE(lines.contains("All files downloaded"));
    EXPECT_EQ(form->TotalBytes, 5001u);
    EXPECT_EQ(form->Label10->text(), "downloaded");
}

TEST_F(QueueDriver, AFailingLineIsTriedElevenTimesThenGivenUp) {
    server.setScript([](const RecordedRequest&) { return ScriptedReply(404, "<html>no</html>"); });
    setList({server.url("/gone.bin"), server.url("/next.bin")});
    for (int pass = 0; pass < 11; ++pass) {
        form->Download();
        ASSERT_TRUE(form->rest->isActive());
        form->rest->stop();
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
    EXPECT_EQ(form->Memo1->lines(), QStringList{server.url("/next.bin")});
    EXPECT_EQ(log().filter("Given up:"),
              QStringList{"Given up: " + server.url("/gone.bin") + " after 11 failures"});
    EXPECT_EQ(form->Label15->text(), "n/a");
    form->Download();
    EXPECT_EQ(log().filter("Error while downloading!").last(),
              "Error while downloading! (0 of 10)");
}

TEST_F(QueueDriver, GivingUpTheLastLineStillFinishesTheJob) {
    server.setScript([](const RecordedRequest&) { return ScriptedReply(500, "oops"); });
    setList({server.url("/x")});
    form->ErrorCount = 10;
    form->Download();
    EXPECT_TRUE(form->rest->isActive());
    EXPECT_TRUE(form->Memo1->lines().isEmpty());
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
    duringTransfer = [this] { form->Button8Click(form->Button8); };
    form->Download();
    EXPECT_TRUE(log().filter("Error while downloading!").isEmpty());
    EXPECT_EQ(form->Memo1->lines(), QStringList{server.url("/s.bin")});
    EXPECT_EQ(form->ErrorCount, 1);
    EXPECT_EQ(form->Label10->text(), "idle");
    EXPECT_FALSE(form->rest->isActive());
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
    duringTransfer = [&] { firstPosition = form->ProgressBar1->value(); };
    form->Download();
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
    form->HTTPGet1->OnProgress = [&](QObject* sender, auto total, auto readed) {
        clock.ticks = 1000 + static_cast<std::uint32_t>(real.elapsed());
        form->HTTPGet1Progress(sender, total, readed);
        shown = form->Label16->text();
    };
    form->Download();
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
    form->Memo1->setWindowsText(typed + "\r\n" + server.url("/readme.pdf"));
    dialup.connections.clear(); // one pass, then back to waiting
    form->Download();
    EXPECT_EQ(server.requests().value(0).target, "/readme.pdf");
    EXPECT_EQ(downloaded("readme.pdf"), "pdf");
    EXPECT_TRUE(log().contains("Start download: " + server.url("/readme.pdf")));
    EXPECT_EQ(form->Memo1->lines(), QStringList{server.url("/readme.pdf")}); // the typed one went
}

TEST_F(QueueDriver, AnEditDuringTheTransferNeverCostsAnotherLineAndASecondRunIsRefused) {
    server.serveFile(content(8000));
    setList({server.url("/e.bin")});
    qsizetype linesBeforeSecondRun = 0;
    duringTransfer = [&] {
        form->Memo1->setWindowsText("typed meanwhile\r\n" + form->Memo1->windowsText());
        linesBeforeSecondRun = log().size();
        form->Download();
        EXPECT_EQ(log().size(), linesBeforeSecondRun);
    };
    dialup.connections.clear(); // after the pass the line is down: back to waiting
    form->Download();
    EXPECT_EQ(form->Memo1->lines(), QStringList{"typed meanwhile"});
    EXPECT_EQ(log().filter("Start download:").size(), 1);
    EXPECT_EQ(form->Label10->text(), "waiting...");
}

TEST_F(QueueDriver, BlankLinesAreDroppedWithoutStallingTheDriver) {
    server.serveFile("x");
    form->Memo1->setWindowsText("\r\n\r\n" + server.url("/one") + "\r\n\r\n");
    form->Download();
    EXPECT_TRUE(form->Memo1->lines().isEmpty());
    EXPECT_EQ(downloaded("one"), "x");
}

TEST_F(QueueDriver, AnEmptyListOrABlankHeadLineAfterTheEndTimeFinishesOnce) {
    form->Edit7->setText("09");
    clock.time = {10, 0};
    for (const QString& list : {QString(), QStringLiteral("\r\n\r\n")}) {
        form->Memo2->clear();
        form->Memo1->setWindowsText(list);
        form->Download();
        EXPECT_EQ(log().filter("Total time:").size(), 1) << log().join("|").toStdString();
    }
}

TEST_F(QueueDriver, AMissingDownloadFolderIsLoggedAtTheLogSaveAndTheRunGoesOn) {
    setList({server.url("/a.bin")});
    form->DownloadDir = path("nowhere");
    form->Download();
    EXPECT_TRUE(log().first().startsWith("Cannot create file \"" + path("nowhere/log.txt")));
    EXPECT_TRUE(form->rest->isActive()); // the file cannot be made either: a failed pass
}

using TransferEvents = JobFixture;

TEST_F(TransferEvents, TimesCountFromTheFirstProgressAcrossAttemptsAndATickWrap) {
    clock.ticks = 0xFFFF'FC18; // 1000 ms before the counter wraps
    form->HTTPGet1Progress(nullptr, 4000, 1000);
    EXPECT_EQ(form->Label15->text(), "1,000 of 4,000");
    EXPECT_EQ(form->ProgressBar1->value(), 50);
    form->HTTPGet1Error(nullptr);
    clock.ticks = 1000;
    form->HTTPGet1Progress(nullptr, 4000, 4000);
    EXPECT_EQ(form->Label16->text(), "1500 b/s"); // the 3000 bytes since the timing started
    form->HTTPGet1DoneFile(nullptr, path("dl/f.bin"), 4000);
    EXPECT_TRUE(log().contains("  Time: 00:00:02"));
    EXPECT_TRUE(log().contains("  Average speed: 1500 b/s"));
    EXPECT_EQ(form->TotalTime, 2001u);
    EXPECT_EQ(form->FileStartTick, 1u);
}

TEST_F(TransferEvents, SpeedsCountWhatArrivedAcrossAttemptsAndIntoTheNextLine) {
    clock.ticks = 1000;
    form->HTTPGet1Progress(nullptr, 2'000'000, 1'000'000); // the first block of a resume
    clock.ticks = 2000;
    form->HTTPGet1Progress(nullptr, 2'000'000, 1'004'000);
    EXPECT_EQ(form->Label16->text(), "4000 b/s");
    form->HTTPGet1Error(nullptr); // given up: the next line's timing goes on from here
    clock.ticks = 3000;
    form->HTTPGet1Progress(nullptr, 10'000, 1000);
    clock.ticks = 4000;
    form->HTTPGet1Progress(nullptr, 10'000, 9000);
    EXPECT_EQ(form->Label16->text(), "4000 b/s"); // 4000 + 8000 bytes in 3 s
    form->HTTPGet1DoneFile(nullptr, path("dl/next.bin"), 10'000);
    EXPECT_TRUE(log().contains("  Average speed: 4000 b/s"));
}

TEST_F(TransferEvents, AFileWithoutProgressOrOnOneTickTakesNoTimeAndShowsNoSpeed) {
    form->HTTPGet1DoneFile(nullptr, path("dl/empty"), 0);
    form->HTTPGet1Progress(nullptr, 0, 0);
    EXPECT_EQ(form->ProgressBar1->value(), 0);
    form->HTTPGet1DoneFile(nullptr, path("dl/tiny"), 10);
    EXPECT_EQ(log().filter("Average speed").size(), 0);
    EXPECT_EQ(log().filter("  Time: 00:00:00").size(), 2);
    EXPECT_EQ(form->TotalTime, 1u);
    EXPECT_EQ(form->TotalBytes, 10u);
}

TEST_F(TransferEvents, LabelsGrowToShowTheirWholeText) {
    form->HTTPGet1Progress(nullptr, 2097152, 1048576);
    clock.ticks += 2;
    form->HTTPGet1Progress(nullptr, 2097152, 1048576);
    QCoreApplication::sendPostedEvents(); // labels measure their text before they paint
    for (QLabel* label : {form->Label15, form->Label16})
        EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text()));
}

using FinishJob = JobFixture;

TEST_F(FinishJob, LogsTheSameTotalsEachTimeAndHangsUpAndPowersOffWhenAsked) {
    form->TotalBytes = 1536;
    form->FinishJob();
    form->CheckBox3->setChecked(true);
    form->CheckBox2->setChecked(true);
    form->FinishJob();
    EXPECT_EQ(log(), QStringList({"Total time: 00:00:00", "Total downloaded: 1.50 KB",
                                  "Total time: 00:00:00", "Total downloaded: 1.50 KB"}));
    EXPECT_EQ(downloaded("log.txt"), "Total time: 00:00:00\r\nTotal downloaded: 1.50 KB\r\n"
                                     "Total time: 00:00:00\r\nTotal downloaded: 1.50 KB\r\n");
    EXPECT_EQ(dialup.hangUps, std::vector<larkspur::platform::ConnectionHandle>{0x31});
    EXPECT_EQ(machine.powerOffRequests, 1);
    EXPECT_EQ(machine.calls, QStringList({"flush " + path("dl"), "power off"}));
}

TEST_F(FinishJob, AFailedLogSaveIsLoggedAndHangUpAndPowerOffStillFollow) {
    form->CheckBox3->setChecked(true);
    form->CheckBox2->setChecked(true);
    form->DownloadDir = path("nowhere");
    form->FinishJob();
    EXPECT_TRUE(log().last().startsWith("Cannot create file "));
    EXPECT_EQ(dialup.hangUps.size(), 1u);
    EXPECT_EQ(machine.powerOffRequests, 1);
}

TEST_F(FinishJob, TheEndOfWindowCheckHoldsFromTheEndTimeAndIgnoresAnytime) {
    form->Edit7->setText("09");
    clock.time = {8, 59};
    form->CheckDeadline();
    clock.time = {9, 0};
    form->CheckDeadline();
    EXPECT_EQ(log().filter("Время вышло.").size(), 1);
    form->Anytime->setChecked(true);
    clock.time = {23, 59};
    form->CheckDeadline();
    EXPECT_EQ(log().filter("Время вышло.").size(), 1);
}

} // namespace
