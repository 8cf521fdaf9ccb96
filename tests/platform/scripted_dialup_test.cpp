#include <gtest/gtest.h>
#include <stdexcept>

#include "platform/dialup_service.h"
#include "tests/platform/dial_report_recorder.h"

using namespace larkspur::platform;
using larkspur::test::DialReportRecorder;
using larkspur::test::report;
using namespace std::chrono_literals;

namespace {

ConnectionHandle dialWith(DialupService& service, DialReportRecorder& recorder) {
    ConnectionHandle handle = NoConnection;
    EXPECT_EQ(service.dial({"entry", "user", "password", "123"}, recorder.callback(), handle), 0u);
    EXPECT_NE(handle, NoConnection);
    return handle;
}

TEST(SimDialup, PlaysTheDefaultScriptOffTheCallersThreadAndListsTheLineUntilHungUp) {
    DialReportRecorder recorder;
    const auto service = makeSimDialup({});
    EXPECT_TRUE(service->activeConnections().empty());
    const ConnectionHandle handle = dialWith(*service, recorder);

    const auto reports = recorder.waitFor(3);
    EXPECT_EQ(reports, (std::vector{report(19), report(14), report(8192)}));
    for (const auto& each : reports)
        EXPECT_NE(each.thread, std::this_thread::get_id());
    EXPECT_EQ(service->activeConnections(), std::vector{handle});

    service->hangUp(handle);
    EXPECT_TRUE(service->activeConnections().empty());
}

TEST(SimDialup, AnErrorStepIsReportedWithItsCodesAndListsNothing) {
    DialReportRecorder recorder;
    const auto service = makeSimDialup("19@0, 8193/678@10");
    dialWith(*service, recorder);
    EXPECT_EQ(recorder.waitFor(2), (std::vector{report(19), report(8193, 678)}));
    EXPECT_TRUE(service->activeConnections().empty());
}

TEST(SimDialup, EachDialGetsItsOwnHandleAndAHangUpStopsOnlyItsDial) {
    DialReportRecorder first, second;
    const auto service = makeSimDialup("19@0,8192@400");
    const ConnectionHandle one = dialWith(*service, first);
    const ConnectionHandle two = dialWith(*service, second);
    EXPECT_NE(one, two);
    first.waitFor(1);
    service->hangUp(one);
    EXPECT_EQ(second.waitFor(2), (std::vector{report(19), report(8192)}));
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(first.reports(), std::vector{report(19)});
    EXPECT_EQ(service->activeConnections(), std::vector{two});
}

TEST(SimDialup, SuccessiveDialsPlayTheirOwnScriptsAndTheLastOneRepeats) {
    DialReportRecorder first, second, third;
    const auto service = makeSimDialup("19/691@0;8192@0");
    dialWith(*service, first);
    EXPECT_EQ(first.waitFor(1), std::vector{report(19, 691)});
    dialWith(*service, second);
    EXPECT_EQ(second.waitFor(1), std::vector{report(8192)});
    dialWith(*service, third);
    EXPECT_EQ(third.waitFor(1), std::vector{report(8192)});
}

TEST(SimDialup, GoingAwayDoesNotWaitOutTheScriptsDelays) {
    DialReportRecorder recorder;
    auto service = makeSimDialup("19@60000");
    dialWith(*service, recorder);
    const auto started = std::chrono::steady_clock::now();
    service.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - started, 2s);
    EXPECT_TRUE(recorder.reports().empty());
}

TEST(SimDialup, RefusesScriptsItCannotRead) {
    for (const char* script : {"x", "19,", "19/", "19@-5", "19/678@", "99999999999", "19;;14"})
        EXPECT_THROW(makeSimDialup(script), std::invalid_argument) << script;
}

TEST(DirectDialup, TheMachinesNetworkIsOneLineAlwaysUp) {
    DialReportRecorder recorder;
    const auto service = makeDirectDialup();
    const auto listed = service->activeConnections();
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_NE(listed.front(), NoConnection);

    const ConnectionHandle handle = dialWith(*service, recorder);
    const auto reports = recorder.waitFor(1);
    EXPECT_EQ(reports, std::vector{report(8192)});
    EXPECT_NE(reports.at(0).thread, std::this_thread::get_id());
    service->hangUp(handle);
    EXPECT_EQ(service->activeConnections(), listed);
}

class DialupChoice : public ::testing::Test {
protected:
    void TearDown() override { qunsetenv("LARKSPUR_DIALUP"); }
};

TEST_F(DialupChoice, TheVariableNamesTheImplementation) {
    qputenv("LARKSPUR_DIALUP", "direct");
    EXPECT_EQ(makeDialupService({})->activeConnections().size(), 1u);

    qputenv("LARKSPUR_DIALUP", "sim:8192/691@0");
    DialReportRecorder recorder;
    const auto sim = makeDialupService({});
    dialWith(*sim, recorder);
    EXPECT_EQ(recorder.waitFor(1), std::vector{report(8192, 691)});
    EXPECT_TRUE(sim->activeConnections().empty());

    for (const char* unknown : {"ppp", "sim:zz", "Direct"}) {
        qputenv("LARKSPUR_DIALUP", unknown);
        EXPECT_THROW(makeDialupService({}), std::invalid_argument) << unknown;
    }
}

} // namespace
