#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/capability.h>
#include <unistd.h>

#include "tests/support/dbus_mock.h"
#include "tests/support/qt_printers.h"
#include "tests/support/standard_error_capture.h"

#include "platform/machine_control.h"

using larkspur::platform::makeLinuxMachineControl;
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

class MockLogind : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(logind.start("logind", "org.freedesktop.login1")); }

    larkspur::test::DBusMock logind;
    const QString& address = logind.address;
};

TEST_F(MockLogind, ThePowerOffRequestReachesLogindNotInteractive) {
    const auto machine = makeLinuxMachineControl(address);
    EXPECT_EQ(machine->requestPowerOff(), std::nullopt);
    EXPECT_TRUE(logind.waitUntil([&] { return logind.callLog().contains("PowerOff"); }));
    EXPECT_TRUE(logind.callLog().contains("PowerOff False")) << logind.callLog().toStdString();
}

TEST_F(MockLogind, ARefusalIsWrittenToStandardError) {
    logind.mock.terminate(); // the bus stays, nobody answers for logind
    ASSERT_TRUE(logind.mock.waitForFinished(5000));
    StandardErrorCapture standardError;
    const auto machine = makeLinuxMachineControl(address);
    const std::optional<QString> refusal = machine->requestPowerOff();
    ASSERT_TRUE(refusal);
    EXPECT_TRUE(refusal->contains("org.freedesktop.DBus.Error.")) << refusal->toStdString();
    EXPECT_TRUE(standardError.text().contains("not powered off: " + *refusal))
        << standardError.text().toStdString();
}

TEST(LinuxMachineControlWithoutLogind, ARequestWithoutABusSaysWhyOnStandardError) {
    StandardErrorCapture standardError;
    const auto machine = makeLinuxMachineControl("unix:path=/nonexistent/bus");
    EXPECT_NE(machine->requestPowerOff(), std::nullopt);
    EXPECT_TRUE(standardError.text().contains("not powered off"))
        << standardError.text().toStdString();
}

} // namespace
