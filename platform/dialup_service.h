#pragma once

#include <QString>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/connection_handle.h"

namespace larkspur::platform {

// The message code every dial progress report carries.
constexpr std::uint32_t DialEventMessage = 52429;

// Connection states, in the numbering the dial-up manager logs by.
namespace DialState {
constexpr std::int32_t DeviceConnected = 3;
constexpr std::int32_t AuthRetry = 7;
constexpr std::int32_t Authenticated = 14;
constexpr std::int32_t StartAuthentication = 19;
constexpr std::int32_t Connected = 8192;
} // namespace DialState

// Error codes the services produce, in the same numbering.
namespace DialError {
constexpr std::uint32_t PortAlreadyOpen = 602;
constexpr std::uint32_t WrongInfo = 604;
constexpr std::uint32_t PortNotFound = 615;
constexpr std::uint32_t EntryNotFound = 623;
constexpr std::uint32_t ConnectionClosed = 628;
constexpr std::uint32_t RemoteClosed = 629;
constexpr std::uint32_t HardwareFailure = 630;
constexpr std::uint32_t UserClosed = 631;
constexpr std::uint32_t Unknown = 635;
constexpr std::uint32_t LineBusy = 676;
constexpr std::uint32_t VoiceAnswer = 677;
constexpr std::uint32_t NoAnswer = 678;
constexpr std::uint32_t NoCarrier = 679;
constexpr std::uint32_t NoDialTone = 680;
constexpr std::uint32_t AuthenticationFailed = 691;
} // namespace DialError

struct DialRequest {
    QString entry; // the name of a dial-up entry the system knows
    QString userName;
    QString password;
    QString phoneNumber;
};

// Called on a thread of the service, once per state change, until the dial ends
// connected or failed: (DialEventMessage, state, error code or 0).
using DialCallback =
    std::function<void(std::uint32_t message, std::int32_t state, std::uint32_t error)>;

// Lists, dials and hangs up dial-up connections.
class DialupService {
public:
    virtual ~DialupService() = default;

    // The active connections, each with a non-zero handle, the first one first.
    virtual std::vector<ConnectionHandle> activeConnections() = 0;

    // Starts dialling and returns at once: 0 with `handle` set when the dial has
    // started, else an error code. After a hang-up of its handle a dial reports no more.
    virtual std::uint32_t dial(const DialRequest& request, DialCallback callback,
                               ConnectionHandle& handle) = 0;

    // Ends the connection or the dial in progress; unknown handles are ignored.
    virtual void hangUp(ConnectionHandle handle) = 0;
};

// Puts a line into the program's log, from any thread: what an error code alone cannot
// tell the user.
using DialNotice = std::function<void(const QString& line)>;

// What the services ask of the window they serve.
struct DialupHooks {
    // The "Connection" field as it is now; called where the services list connections.
    std::function<QString()> entry;
    DialNotice notice;
};

// Where pppd and the files it keeps are; tests point these at stand-ins.
struct PppdPaths {
    QString program = QStringLiteral("/usr/sbin/pppd");
    QString peersDir = QStringLiteral("/etc/ppp/peers");
    QString interfacesDir = QStringLiteral("/sys/class/net");
    QString pidFileDir = QStringLiteral("/run");
};

// Whether this process has root's rights; pppd takes its password plugin only then.
bool processRunsAsRoot();

// How long pppd may take and what it may be handed; tests shorten and fake these.
struct PppdLimits {
    std::chrono::milliseconds dialDeadline = std::chrono::minutes(3);      // not up by then: failed
    std::chrono::milliseconds terminationGrace = std::chrono::seconds(10); // SIGTERM to SIGKILL
    std::function<bool()> runsAsRoot = processRunsAsRoot;
};

std::unique_ptr<DialupService> makePppdDialup(const PppdPaths& paths = {}, DialNotice notice = {},
                                              const PppdLimits& limits = {});
std::unique_ptr<DialupService> makeDirectDialup();
// Throws std::invalid_argument for a script that does not parse.
std::unique_ptr<DialupService> makeSimDialup(const QString& script);

// The line a newcomer gets: while no dialled line is up, an empty entry is the machine's
// own network, always up, and a named entry is dialled; a dialled line that is up is the
// line whatever the entry. Hang-ups go to the service whose handle they name.
std::unique_ptr<DialupService> makeLineRuleDialup(std::unique_ptr<DialupService> ownNetwork,
                                                  std::unique_ptr<DialupService> dialled,
                                                  std::function<QString()> entry);

// The implementation LARKSPUR_DIALUP names ("pppd", "direct", "sim" or "sim:SCRIPT");
// without it, the line rule over direct and pppd. Throws std::invalid_argument for a
// value it does not know.
std::unique_ptr<DialupService> makeDialupService(const DialupHooks& hooks);

} // namespace larkspur::platform
