#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <string_view>

namespace larkspur::platform {

// Follows the messages of one pppd run (its own and its connect script's) and turns
// them into dial states, and its end into an error code.
class PppdProgress {
public:
    // The state this line reaches, if it reaches one.
    std::optional<std::int32_t> onLine(std::string_view line);

    // The error code for a run that ended before the line came up.
    std::uint32_t errorForExit(int exitStatus) const;
    std::uint32_t errorForSignal() const;

    bool connected() const { return connected_; }
    std::int32_t lastState() const { return lastState_; }
    const QString& interfaceName() const { return interfaceName_; }

private:
    std::optional<std::int32_t> stateOf(std::string_view line);

    bool connected_ = false;
    bool authenticationStarted_ = false;
    std::int32_t lastState_ = 0;
    std::uint32_t modemAnswer_ = 0; // error code of the last modem answer seen, 0: none
    QString interfaceName_;
};

} // namespace larkspur::platform
