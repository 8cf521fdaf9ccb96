#include <gtest/gtest.h>

#include "tests/support/qt_printers.h"

#include "app/form1.h"
#include "tests/support/form_fixture.h"

using larkspur::platform::ConnectionHandle;
using larkspur::platform::NoConnection;
using larkspur::test::FormFixture;

namespace {

using ConnectionProbe = FormFixture;

TEST_F(ConnectionProbe, NothingUpIsFalseAndForgetsAHandleHeldBefore) {
    form->RasConnection = 0x77;
    EXPECT_FALSE(form->IsConnected());
    EXPECT_EQ(form->RasConnection, NoConnection);
}

TEST_F(ConnectionProbe, AnyConnectionUpIsTakenFirstOneFirst) {
    dialup.connections = {0x31, 0x32};
    EXPECT_TRUE(form->IsConnected());
    EXPECT_EQ(form->RasConnection, ConnectionHandle{0x31});
}

TEST_F(ConnectionProbe, TheListingStepCountsAndRemembersTheFirst) {
    dialup.connections = {0x44, 0x45, 0x46};
    EXPECT_EQ(form->ListConnections(), 3u);
    EXPECT_EQ(form->RasConnection, ConnectionHandle{0x44});
    dialup.connections.clear();
    EXPECT_EQ(form->ListConnections(), 0u);
    EXPECT_EQ(form->RasConnection, NoConnection);
}

using DialupWindowCloser = FormFixture;

TEST_F(DialupWindowCloser, ClosesExactlyTheTwoTitlesAndVisitsEveryWindow) {
    windows.windows = {{1, "Dial-up Connection"},
                       {2, "Dial-up Connection (2)"},
                       {3, "Network Connections"},
                       {4, "dial-up connection"},
                       {5, ""},
                       {6, "Network Connections "},
                       {7, "Dial-up Connection"}};
    form->CloseDialupWindows();
    EXPECT_EQ(windows.closeRequests, (std::vector<larkspur::platform::WindowId>{1, 3, 7}));
    EXPECT_EQ(windows.titlesRead.size(), 7u);
}

using MachineSteps = FormFixture;

TEST_F(MachineSteps, StartUpEnablesTheShutdownPrivilegeExceptOnTheOldFamily) {
    machine.privilegesEnabled.clear();
    form->EnableShutdownPrivilegeAtStartup();
    EXPECT_EQ(machine.privilegesEnabled, QStringList{"SeShutdownPrivilege"});

    machine.privilegesEnabled.clear();
    machine.id = 1;
    form->EnableShutdownPrivilegeAtStartup();
    EXPECT_TRUE(machine.privilegesEnabled.isEmpty());
}

TEST_F(MachineSteps, ARefusedPrivilegeIsSilent) {
    machine.privilegeGranted = false;
    machine.privilegesEnabled.clear();
    EXPECT_NO_THROW(form->EnablePrivilege("SeShutdownPrivilege"));
    EXPECT_NO_THROW(form->EnablePrivilege(nullptr));
    EXPECT_EQ(machine.privilegesEnabled, QStringList{"SeShutdownPrivilege"});
}

TEST_F(MachineSteps, PowersOffOnlyWhenAskedTo) {
    form->TurnOffWhenDone = false;
    form->PowerOffMachine();
    EXPECT_EQ(machine.powerOffRequests, 0);
    form->TurnOffWhenDone = true;
    form->PowerOffMachine();
    EXPECT_EQ(machine.powerOffRequests, 1);
}

} // namespace
