#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "tests/support/qt_printers.h"

#include "tests/support/job_fixture.h"

using larkspur::test::JobFixture;
using larkspur::test::RecordedRequest;
using larkspur::test::ScriptedReply;

namespace {

using WindowAsJobView = JobFixture;

TEST_F(WindowAsJobView, BeginLocksTheScheduleAndDimsStopUndoesBoth) {
    form->Button7Click(form->Button7);
    EXPECT_EQ(form->Label10->text(), "waiting...");
    EXPECT_FALSE(form->Edit5->isEnabled());
    EXPECT_NEAR(form->windowOpacity(), 215 / 255.0, 0.01);
    form->Button8Click(form->Button8);
    EXPECT_TRUE(form->Edit5->isEnabled());
    EXPECT_DOUBLE_EQ(form->windowOpacity(), 1.0);
}

TEST_F(WindowAsJobView, LabelsGrowToShowTheirWholeText) {
    form->HTTPGet1Progress(nullptr, 2097152, 1048576);
    clock.ticks += 2;
    form->HTTPGet1Progress(nullptr, 2097152, 1048576);
    ASSERT_TRUE(QTest::qWaitFor([this] { return form->Label16->text() != "n/a"; }));
    QCoreApplication::sendPostedEvents(); // labels measure their text before they paint
    for (QLabel* label : {form->Label15, form->Label16})
        EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text()));
}

TEST_F(WindowAsJobView, ProgressShowsAFramesLastFiguresAndAFailureIsNotOverwritten) {
    for (int readed = 1; readed <= 1000; ++readed)
        form->HTTPGet1Progress(nullptr, 1000, readed);
    EXPECT_TRUE(QTest::qWaitFor([this] { return form->Label15->text() == "1,000 of 1,000"; }));
    EXPECT_EQ(form->ProgressBar1->value(), 200);
    form->HTTPGet1Progress(nullptr, 2000, 1500);
    form->showTransferFailed();
    QTest::qWait(50);
    EXPECT_EQ(form->Label15->text(), "n/a");
    EXPECT_EQ(form->ProgressBar1->value(), 150);
}

TEST_F(WindowAsJobView, ClosingDuringATransferSavesStopsAndLogsNoError) {
    server.setScript([](const RecordedRequest&) {
        ScriptedReply reply(200, QByteArray(50'000, 'z'));
        reply.stallAfter = 3000;
        return reply;
    });
    setList({server.url("/night.bin")});
    form->show();
    duringTransfer = [this] { form->close(); };
    form->Download();
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(log().contains("Stopped"));
    EXPECT_TRUE(log().filter("Error while downloading!").isEmpty());
    QFile list(path("1.txt"));
    ASSERT_TRUE(list.open(QIODevice::ReadOnly));
    EXPECT_EQ(list.readAll(), server.url("/night.bin").toLatin1());
    EXPECT_TRUE(downloaded("log.txt").contains("Stopped\r\n")); // the log is current on exit
}

} // namespace
