#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/capability.h>
#include <unistd.h>

#include "tests/support/qt_printers.h"

#include "platform/machine_control.h"

using larkspur::platform::makeLinuxMachineControl;

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

// What the code under test writes to standard error meanwhile.
class StandardErrorCapture {
public:
    StandardErrorCapture() : saved_(::dup(2)) {
        std::fflush(stderr);
        const int file = ::open(QFile::encodeName(dir_.filePath("stderr")).constData(),
                                O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        ::dup2(file, 2);
        ::close(file);
    }
    ~StandardErrorCapture() {
        std::fflush(stderr);
        ::dup2(saved_, 2);
        ::close(saved_);
    }
    QString text() {
        std::fflush(stderr);
        QFile file(dir_.filePath("stderr"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

private:
    QTemporaryDir dir_;
    int saved_;
};

// A bus of the test's own with a mock logind on it; the machine's buses are never used.
class MockLogind : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        bus.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        ASSERT_TRUE(bus.waitForStarted()) << "dbus-daemon is missing";
        ASSERT_TRUE(bus.waitForReadyRead(10000));
        address = QString::fromUtf8(bus.readLine().trimmed());
        ASSERT_FALSE(address.isEmpty());

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DBUS_SESSION_BUS_ADDRESS", address);
        environment.insert("DBUS_SYSTEM_BUS_ADDRESS", address);
        logind.setProcessEnvironment(environment);
        logind.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // Debian's own interpreter, which has the dbusmock module.
        logind.start("/usr/bin/python3", {"-m", "dbusmock", "--session", "-t", "logind", "-l",
                                          dir.filePath("calls.log")});
        ASSERT_TRUE(logind.waitForStarted());
        ASSERT_TRUE(waitUntil([&] { return logindIsOnTheBus(); })) << "the mock did not start";
    }

    void TearDown() override {
        QDBusConnection::disconnectFromBus("mock-logind-probe");
        for (QProcess* process : {&logind, &bus}) {
            process->terminate();
            if (!process->waitForFinished(5000))
                process->kill();
        }
    }

    bool logindIsOnTheBus() {
        const QDBusConnection probe = QDBusConnection::connectToBus(address, "mock-logind-probe");
        return probe.isConnected() &&
               probe.interface()->isServiceRegistered("org.freedesktop.login1").value();
    }

    static bool waitUntil(const std::function<bool()>& condition) {
        for (int tries = 0; tries < 200; ++tries) {
            if (condition())
                return true;
            QThread::msleep(50);
        }
        return false;
    }

    QByteArray callLog() {
        QFile log(dir.filePath("calls.log"));
        return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
    }

    QTemporaryDir dir;
    QProcess bus;
    QProcess logind;
    QString address;
};

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
