#include <gtest/gtest.h>

#include "tests/support/fake_notifier.h"
#include "tests/support/qt_printers.h"

#include "engine/night_report.h"

using namespace larkspur::engine;

TEST(NightReport, SaysWhatWasFetchedAndHowTheNightEnded) {
    const QList<GivenUpLine> oneGivenUp{{"http://h/x", "404 Not Found"}};
    const struct {
        NightSummary summary;
        const char* report;
    } cases[] = {
        {{12, 1'400'000'000, oneGivenUp, 18'760'000, NightEnd::ListDone, {}},
         "12 files downloaded, 1.4 GB; 1 given up\nThe list was done after 05:12:40."},
        {{1, 2'500, {}, 61'000, NightEnd::WindowOver, {}},
         "1 file downloaded, 2.5 kB\nThe time window closed after 00:01:01."},
        {{0, 0, {}, 500, NightEnd::Stopped, {}}, "0 files downloaded\nStopped after 00:00:00."},
        {{3, 3'000'000, {}, 3'600'000, NightEnd::LocalFailure, "the disk is full"},
         "3 files downloaded, 3.0 MB\nStopped after 01:00:00 by a failure here: the disk is "
         "full"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(nightReport(c.summary), QString::fromUtf8(c.report));
}

TEST(NightReport, TheNotificationCarriesTheReportTheIconAndOpenFolder) {
    larkspur::test::FakeNotifier notifier;
    const NightSummary summary{2, 3'000, {}, 1'000, NightEnd::ListDone, {}};
    EXPECT_EQ(notifyNightEnded(notifier, summary), 1u);
    ASSERT_EQ(notifier.shown.size(), 1);
    EXPECT_EQ(notifier.shown[0].title, "Larkspur");
    EXPECT_EQ(notifier.shown[0].body, nightReport(summary));
    EXPECT_EQ(notifier.shown[0].icon, "org.larkspur.Larkspur");
    ASSERT_EQ(notifier.shown[0].actions.size(), 1);
    EXPECT_EQ(notifier.shown[0].actions[0].key, OpenFolderAction);
}
