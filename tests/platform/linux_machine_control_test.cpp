#include <QCoreApplication>
#include <gtest/gtest.h>
#include <sys/capability.h>

#include "tests/support/qt_printers.h"

#include "platform/machine_control.h"
#include "tests/platform/mock_logind.h"

using larkspur::platform::makeLinuxMachineControl;
using larkspur::test::MockLogind;
using larkspur::test::StandardErrorCapture;

namespace {

cap_flag_value_t capabilityFlag(cap_value_t capability, cap_flag_t set) {
    cap_t state = cap_get_proc();
    cap_flag_value_t value = CAP_CLEAR;
    cap_get_flag(state, capability, set, &value);
    cap_free(state);
    return value;
}

void lowerEffective(cap_value_t capability) {
    cap_t state = cap_get_proc();
    cap_set_flag(state, CAP_EFFECTIVE, 1, &capability, CAP_CLEAR);
    cap_set_proc(state);
    cap_free(state);
}

TEST(LinuxMachineControl, TheShutdownPrivilegeRaisesTheBootCapabilityWherePermitted) {
    const auto machine = makeLinuxMachineControl();
    EXPECT_EQ(machine->platformId(), 2);
    const bool permitted = capabilityFlag(CAP_SYS_BOOT, CAP_PERMITTED) == CAP_SET;
    lowerEffective(CAP_SYS_BOOT);
    ASSERT_EQ(capabilityFlag(CAP_SYS_BOOT, CAP_EFFECTIVE), CAP_CLEAR);

    EXPECT_FALSE(machine->enablePrivilege("SeNoSuchPrivilege"));
    EXPECT_EQ(capabilityFlag(CAP_SYS_BOOT, CAP_EFFECTIVE), CAP_CLEAR);

    EXPECT_EQ(machine->enablePrivilege("SeShutdownPrivilege"), permitted);
    EXPECT_EQ(capabilityFlag(CAP_SYS_BOOT, CAP_EFFECTIVE), permitted ? CAP_SET : CAP_CLEAR);
}

TEST_F(MockLogind, ThePowerOffRequestReachesLogindNotInteractive) {
    const auto machine = makeLinuxMachineControl(address);
    machine->requestPowerOff();
    EXPECT_TRUE(waitUntil([&] { return callLog().contains("PowerOff"); }));
    EXPECT_TRUE(callLog().contains("PowerOff False")) << callLog().toStdString();
}

TEST_F(MockLogind, ARefusalIsWrittenToStandardError) {
    logind.terminate(); // the bus stays, nobody answers for logind
    ASSERT_TRUE(logind.waitForFinished(5000));
    StandardErrorCapture standardError;
    const auto machine = makeLinuxMachineControl(address);
    machine->requestPowerOff();
    EXPECT_TRUE(waitUntil([&] {
        QCoreApplication::processEvents();
        return standardError.text().contains("not powered off");
    }));
    EXPECT_TRUE(standardError.text().contains("org.freedesktop.DBus.Error."))
        << standardError.text().toStdString();
}

TEST(LinuxMachineControlWithoutLogind, ARequestWithoutABusSaysWhyOnStandardError) {
    StandardErrorCapture standardError;
    const auto machine = makeLinuxMachineControl("unix:path=/nonexistent/bus");
    EXPECT_NO_THROW(machine->requestPowerOff());
    EXPECT_TRUE(standardError.text().contains("not powered off"))
        << standardError.text().toStdString();
}

} // namespace
