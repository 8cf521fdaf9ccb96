#include <gtest/gtest.h>

#include "tests/support/qt_printers.h"

#include "platform/pppd_progress.h"

using larkspur::platform::PppdProgress;

namespace {

const auto everyInterfaceUp = [](const QString&) { return true; };

TEST(PppdProgress, OnlyOurOwnAuthenticationCountsAndNothingFollowsTheLineUp) {
    PppdProgress progress(everyInterfaceUp);
    EXPECT_EQ(progress.onLine("Serial connection established."), 3);
    EXPECT_EQ(progress.onLine("Using interface ppp2"), std::nullopt);
    EXPECT_EQ(progress.onLine("Connect: ppp2 <--> /dev/ttyS0"), 19);
    EXPECT_EQ(progress.onLine("CHAP peer authentication succeeded for isp"), std::nullopt);
    EXPECT_EQ(progress.onLine("EAP authentication succeeded"), 14);
    EXPECT_EQ(progress.onLine("local  LL address fe80::1"), 8192);
    EXPECT_TRUE(progress.connected());
    EXPECT_EQ(progress.interfaceName(), "ppp2");
    EXPECT_EQ(progress.onLine("Connect: ppp2 <--> /dev/ttyS0"), std::nullopt);
    EXPECT_EQ(progress.lastState(), 8192);
}

TEST(PppdProgress, AnInterfaceNameIsPppAndAUnitNumberAndMustBeConfirmedUp) {
    QStringList asked;
    PppdProgress progress([&](const QString& name) {
        asked << name;
        return name == "ppp12";
    });
    for (const char* name : {"../tmp/x", "ppp", "ppp1/../../x", "eth0", "ppp-1", "ppp 1"}) {
        progress.onLine(std::string("Using interface ") + name);
        EXPECT_EQ(progress.interfaceName(), "") << name;
        EXPECT_EQ(progress.onLine("local  IP address 10.0.0.2"), std::nullopt) << name;
    }
    EXPECT_TRUE(asked.isEmpty()); // no name to check
    progress.onLine("Using interface ppp4");
    EXPECT_EQ(progress.onLine("local  IP address 10.0.0.2"), std::nullopt);
    progress.onLine("Using interface ppp12 ");
    EXPECT_EQ(progress.onLine("local  IP address 10.0.0.2"), 8192);
    EXPECT_EQ(asked, QStringList({"ppp4", "ppp12"}));
}

TEST(PppdProgress, TheLastModemAnswerDecidesAndDeclarationsAreNoAnswers) {
    PppdProgress progress(everyInterfaceUp);
    progress.onLine("abort on (NO CARRIER)");
    progress.onLine("report (CONNECT)");
    EXPECT_EQ(progress.errorForExit(8), 635u);
    EXPECT_EQ(progress.errorForDeadline(), 678u);
    progress.onLine("BUSY\r");
    progress.onLine("Failed (NO CARRIER)");
    EXPECT_EQ(progress.errorForExit(8), 679u);
    EXPECT_EQ(progress.errorForDeadline(), 679u);
    EXPECT_EQ(progress.errorForExit(19), 691u); // the answer matters only to the scripts
    EXPECT_EQ(progress.errorForSignal(), 631u);
}

} // namespace
