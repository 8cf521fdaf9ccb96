#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

namespace larkspur::platform {

// Follows the messages of one pppd run (its own and its connect script's) and turns
// them into dial states, and its end into an error code. Only messages pppd writes
// without its debug option count: that option would put the authentication's
// challenges and responses into the system log.
class PppdProgress {
public:
    // The output also carries what the far end sends while chat talks to the modem,
    // so a line that claims the network is up counts only when this confirms that
    // the named interface is up.
    using InterfaceCheck = std::function<bool(const QString& interfaceName)>;
    explicit PppdProgress(InterfaceCheck interfaceIsUp);

    // The state this line reaches, if it reaches one.
    std::optional<std::int32_t> onLine(std::string_view line);

    // The error code for a run that ended before the line came up.
    std::uint32_t errorForExit(int exitStatus) const;
    std::uint32_t errorForSignal() const;
    // The error code for a run that was not up by its deadline.
    std::uint32_t errorForDeadline() const;

    bool connected() const { return connected_; }
    std::int32_t lastState() const { return lastState_; }
    const QString& interfaceName() const { return interfaceName_; }

private:
    std::optional<std::int32_t> stateOf(std::string_view line);

    const InterfaceCheck interfaceIsUp_;
    bool connected_ = false;
    bool negotiationStarted_ = false;
    std::int32_t lastState_ = 0;
    std::uint32_t modemAnswer_ = 0; // error code of the last modem answer seen, 0: none
    QString interfaceName_;
};

} // namespace larkspur::platform
