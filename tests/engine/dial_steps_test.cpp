#include <gtest/gtest.h>

#include "tests/support/qt_printers.h"

#include "tests/support/engine_fixture.h"

using larkspur::platform::ConnectionHandle;
using larkspur::platform::NoConnection;
using larkspur::test::EngineFixture;

namespace {

using ConnectionProbe = EngineFixture;

TEST_F(ConnectionProbe, NothingUpIsFalseAndForgetsAHandleHeldBefore) {
    dialup.connections.clear();
    job->RasConnection = 0x77;
    EXPECT_FALSE(job->IsConnected());
    EXPECT_EQ(job->RasConnection, NoConnection);
}

TEST_F(ConnectionProbe, AnyConnectionUpIsTakenFirstOneFirst) {
    dialup.connections = {0x31, 0x32};
    EXPECT_TRUE(job->IsConnected());
    EXPECT_EQ(job->RasConnection, ConnectionHandle{0x31});
}

TEST_F(ConnectionProbe, TheListingStepCountsAndRemembersTheFirst) {
    dialup.connections = {0x44, 0x45, 0x46};
    EXPECT_EQ(job->ListConnections(), 3u);
    EXPECT_EQ(job->RasConnection, ConnectionHandle{0x44});
    dialup.connections.clear();
    EXPECT_EQ(job->ListConnections(), 0u);
    EXPECT_EQ(job->RasConnection, NoConnection);
}

using DialupWindowCloser = EngineFixture;

TEST_F(DialupWindowCloser, ClosesExactlyTheTwoTitlesAndVisitsEveryWindow) {
    windows.windows = {{1, "Dial-up Connection"},
                       {2, "Dial-up Connection (2)"},
                       {3, "Network Connections"},
                       {4, "dial-up connection"},
                       {5, ""},
                       {6, "Network Connections "},
                       {7, "Dial-up Connection"}};
    job->CloseDialupWindows();
    EXPECT_EQ(windows.closeRequests, (std::vector<larkspur::platform::WindowId>{1, 3, 7}));
    EXPECT_EQ(windows.titlesRead.size(), 7u);
}

using MachineSteps = EngineFixture;

TEST_F(MachineSteps, StartUpEnablesTheShutdownPrivilegeExceptOnTheOldFamily) {
    machine.privilegesEnabled.clear();
    job->EnableShutdownPrivilegeAtStartup();
    EXPECT_EQ(machine.privilegesEnabled, QStringList{"SeShutdownPrivilege"});

    machine.privilegesEnabled.clear();
    machine.id = 1;
    job->EnableShutdownPrivilegeAtStartup();
    EXPECT_TRUE(machine.privilegesEnabled.isEmpty());
}

TEST_F(MachineSteps, ARefusedPrivilegeIsSilent) {
    machine.privilegeGranted = false;
    machine.privilegesEnabled.clear();
    EXPECT_NO_THROW(job->EnablePrivilege("SeShutdownPrivilege"));
    EXPECT_NO_THROW(job->EnablePrivilege(nullptr));
    EXPECT_EQ(machine.privilegesEnabled, QStringList{"SeShutdownPrivilege"});
}

TEST_F(MachineSteps, PowersOffOnlyWhenAskedTo) {
    job->TurnOffWhenDone = false;
    job->PowerOffMachine();
    EXPECT_EQ(machine.powerOffRequests, 0);
    job->TurnOffWhenDone = true;
    job->PowerOffMachine();
    EXPECT_EQ(machine.powerOffRequests, 1);
}

} // namespace
