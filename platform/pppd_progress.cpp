#include "platform/pppd_progress.h"

#include <array>
#include <utility>

#include "platform/dialup_service.h"
#include "platform/ppp_interfaces.h"

namespace larkspur::platform {
namespace {

bool contains(std::string_view line, std::string_view part) {
    return line.find(part) != std::string_view::npos;
}

bool startsWith(std::string_view line, std::string_view prefix) {
    return line.substr(0, prefix.size()) == prefix;
}

std::string_view trimmed(std::string_view text) {
    constexpr std::string_view blanks = " \t\r\n";
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// The modem's answers as chat reports them ("Failed (BUSY)") or echoes them.
constexpr std::array<std::pair<std::string_view, std::uint32_t>, 6> modemAnswers{{
    {"NO DIALTONE", DialError::NoDialTone},
    {"NO DIAL TONE", DialError::NoDialTone},
    {"NO CARRIER", DialError::NoCarrier},
    {"NO ANSWER", DialError::NoAnswer},
    {"BUSY", DialError::LineBusy},
    {"VOICE", DialError::VoiceAnswer},
}};

std::uint32_t modemAnswerIn(std::string_view line) {
    line = trimmed(line);
    if (line == "alarm" || contains(line, "read timed out"))
        return DialError::NoAnswer; // chat gave up waiting
    constexpr std::string_view failedPrefix = "Failed (";
    if (startsWith(line, failedPrefix) && line.ends_with(')'))
        line = line.substr(failedPrefix.size(), line.size() - failedPrefix.size() - 1);
    for (const auto& [answer, error] : modemAnswers)
        if (line == answer)
            return error;
    return 0;
}

// "Connect: ppp0 <--> /dev/ttyS0": the link's negotiation, authentication first, begins.
bool isNegotiationStart(std::string_view line) {
    return startsWith(line, "Connect: ");
}

bool isOurAuthenticationSuccess(std::string_view line) {
    return contains(line, "authentication succeeded") && !contains(line, "peer authentication");
}

bool isNetworkUp(std::string_view line) {
    return startsWith(line, "local  IP address") || startsWith(line, "local  LL address");
}

} // namespace

PppdProgress::PppdProgress(InterfaceCheck interfaceIsUp)
    : interfaceIsUp_(std::move(interfaceIsUp)) {}

std::optional<std::int32_t> PppdProgress::onLine(std::string_view line) {
    if (const std::uint32_t answer = modemAnswerIn(line))
        modemAnswer_ = answer;
    constexpr std::string_view interfacePrefix = "Using interface ";
    if (startsWith(line, interfacePrefix)) {
        const QString name = QString::fromUtf8(trimmed(line.substr(interfacePrefix.size())));
        interfaceName_ = isPppInterfaceName(name) ? name : QString();
    }
    if (connected_)
        return std::nullopt;
    const auto state = stateOf(line);
    if (state) {
        lastState_ = *state;
        connected_ = *state == DialState::Connected;
    }
    return state;
}

std::optional<std::int32_t> PppdProgress::stateOf(std::string_view line) {
    if (startsWith(line, "Serial connection established"))
        return DialState::DeviceConnected;
    if (isNegotiationStart(line)) {
        // A second one in a run: pppd dialled again (persist) after a failed attempt.
        const bool retry = std::exchange(negotiationStarted_, true);
        return retry ? DialState::AuthRetry : DialState::StartAuthentication;
    }
    if (isOurAuthenticationSuccess(line))
        return DialState::Authenticated;
    if (isNetworkUp(line) && !interfaceName_.isEmpty() && interfaceIsUp_(interfaceName_))
        return DialState::Connected;
    return std::nullopt;
}

std::uint32_t PppdProgress::errorForExit(int exitStatus) const {
    switch (exitStatus) {
    case 4: // no PPP support in the kernel
        return DialError::HardwareFailure;
    case 5: // ended by a signal
        return DialError::UserClosed;
    case 6: // serial port could not be locked
        return DialError::PortAlreadyOpen;
    case 7: // serial port could not be opened
        return DialError::PortNotFound;
    case 8: // connect script failed
        return modemAnswer_ ? modemAnswer_ : DialError::Unknown;
    case 15: // peer stopped answering echo requests
        return DialError::RemoteClosed;
    case 16: // the modem hung up
        return DialError::ConnectionClosed;
    case 18: // init script failed: the modem did not take its set-up
        return modemAnswer_ ? modemAnswer_ : DialError::HardwareFailure;
    case 19: // we failed to authenticate ourselves
        return DialError::AuthenticationFailed;
    default:
        return DialError::Unknown;
    }
}

std::uint32_t PppdProgress::errorForSignal() const {
    return DialError::UserClosed;
}

std::uint32_t PppdProgress::errorForDeadline() const {
    // pppd that redials on its own (persist) keeps meeting the same answer.
    return modemAnswer_ ? modemAnswer_ : DialError::NoAnswer;
}

} // namespace larkspur::platform
