#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/capability.h>
#include <unistd.h>

#include "platform/logind_bus.h"
#include "platform/machine_control.h"

namespace larkspur::platform {
namespace {

constexpr int ourPlatformId = 2;

struct PrivilegeCapability {
    const char* privilege;
    cap_value_t capability;
};

// The privileges the program may ask for and the capability that grants each here.
constexpr PrivilegeCapability privilegeCapabilities[] = {
    {"SeShutdownPrivilege", CAP_SYS_BOOT},
    {"SeSystemtimePrivilege", CAP_SYS_TIME},
    {"SeDebugPrivilege", CAP_SYS_PTRACE},
};

std::optional<cap_value_t> capabilityOf(const QString& privilege) {
    for (const auto& entry : privilegeCapabilities)
        if (privilege == QLatin1String(entry.privilege))
            return entry.capability;
    return std::nullopt;
}

bool raiseEffective(cap_value_t capability) {
    cap_t state = cap_get_proc();
    if (!state)
        return false;
    cap_flag_value_t permitted = CAP_CLEAR;
    const bool raised = cap_get_flag(state, capability, CAP_PERMITTED, &permitted) == 0 &&
                        permitted == CAP_SET &&
                        cap_set_flag(state, CAP_EFFECTIVE, 1, &capability, CAP_SET) == 0 &&
                        cap_set_proc(state) == 0;
    cap_free(state);
    return raised;
}

// Long enough for a busy logind, short enough that the morning still finds a log.
constexpr int PowerOffAnswerMs = 10000;

QString refusal(const QDBusError& error) {
    const QString reason = QStringLiteral("%1 (%2)").arg(error.message(), error.name());
    std::fprintf(stderr, "larkspur: the machine was not powered off: %s\n", qUtf8Printable(reason));
    return reason;
}

class LinuxMachineControl : public MachineControl {
public:
    explicit LinuxMachineControl(const QString& busAddress) : bus_(busAddress) {}

    int platformId() override { return ourPlatformId; }

    void flushFileSystem(const QString& folder) override {
        const int fd =
            ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0 || ::syncfs(fd) != 0)
            std::fprintf(stderr, "larkspur: %s was not flushed to disk: %s\n",
                         qUtf8Printable(folder), std::strerror(errno));
        if (fd >= 0)
            ::close(fd);
    }

    bool enablePrivilege(const QString& name) override {
        const auto capability = capabilityOf(name);
        return capability && raiseEffective(*capability);
    }

    std::optional<QString> requestPowerOff() override {
        QDBusMessage powerOff = LogindBus::managerCall(QStringLiteral("PowerOff"));
        powerOff << false; // not interactive: nobody is asked
        QDBusConnection connection = bus_.connection();
        if (!connection.isConnected())
            return refusal(connection.lastError());
        const QDBusMessage answer = connection.call(powerOff, QDBus::Block, PowerOffAnswerMs);
        if (answer.type() == QDBusMessage::ErrorMessage)
            return refusal(QDBusError(answer));
        return std::nullopt;
    }

private:
    const LogindBus bus_;
};

} // namespace

std::unique_ptr<MachineControl> makeLinuxMachineControl(const QString& busAddress) {
    return std::make_unique<LinuxMachineControl>(busAddress);
}

} // namespace larkspur::platform
