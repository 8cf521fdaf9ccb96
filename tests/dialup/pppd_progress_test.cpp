#include <gtest/gtest.h>

#include "tests/support/qt_printers.h"

#include "platform/pppd_progress.h"

using larkspur::platform::PppdProgress;

namespace {

TEST(PppdProgress, OnlyOurOwnAuthenticationCountsAndNothingFollowsTheLineUp) {
    PppdProgress progress;
    EXPECT_EQ(progress.onLine("rcvd [LCP ConfReq id=0x1 <asyncmap 0x0>]"), std::nullopt);
    EXPECT_EQ(progress.onLine("CHAP peer authentication succeeded for isp"), std::nullopt);
    EXPECT_EQ(progress.onLine("rcvd [EAP Request id=0x1 Identity]"), 19);
    EXPECT_EQ(progress.onLine("EAP authentication succeeded"), 14);
    EXPECT_EQ(progress.onLine("Using interface ppp2"), std::nullopt);
    EXPECT_EQ(progress.onLine("local  LL address fe80::1"), 8192);
    EXPECT_TRUE(progress.connected());
    EXPECT_EQ(progress.interfaceName(), "ppp2");
    EXPECT_EQ(progress.onLine("sent [PAP AuthReq id=0x3]"), std::nullopt);
    EXPECT_EQ(progress.lastState(), 8192);
}

TEST(PppdProgress, TheLastModemAnswerDecidesAndDeclarationsAreNoAnswers) {
    PppdProgress progress;
    progress.onLine("abort on (NO CARRIER)");
    progress.onLine("report (CONNECT)");
    EXPECT_EQ(progress.errorForExit(8), 635u);
    progress.onLine("BUSY\r");
    progress.onLine("Failed (NO CARRIER)");
    EXPECT_EQ(progress.errorForExit(8), 679u);
    EXPECT_EQ(progress.errorForExit(19), 691u); // the answer matters only to the scripts
    EXPECT_EQ(progress.errorForSignal(), 631u);
}

} // namespace
