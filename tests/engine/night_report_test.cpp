#include <gtest/gtest.h>

#include "tests/support/qt_printers.h"

#include "engine/night_report.h"

using namespace larkspur::engine;

TEST(NightReport, SaysWhatWasFetchedAndHowTheNightEnded) {
    const QList<NightSummary::GivenUp> oneGivenUp{{"http://h/x", "404 Not Found"}};
    const struct {
        NightSummary summary;
        const char* report;
    } cases[] = {
        {{NightSummary::End::ListDone, {}, 12, 1'400'000'000, oneGivenUp, 18'760'000},
         "12 files downloaded, 1.4 GB; 1 given up\nThe list was done after 05:12:40."},
        {{NightSummary::End::WindowOver, {}, 1, 2'500, {}, 61'000},
         "1 file downloaded, 2.5 kB\nThe time window closed after 00:01:01."},
        {{NightSummary::End::Stopped, {}, 0, 0, {}, 500},
         "0 files downloaded\nStopped after 00:00:00."},
        {{NightSummary::End::LocalFailure, "the disk is full", 3, 3'000'000, {}, 3'600'000},
         "3 files downloaded, 3.0 MB\nStopped after 01:00:00 by a failure here: the disk is "
         "full"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(nightReport(c.summary), QString::fromUtf8(c.report));
}
