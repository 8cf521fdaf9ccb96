#pragma once

#include <QString>
#include <optional>

namespace larkspur::platform {

// The phone number reaches the connect script, and through it chat, as text: only
// what a modem dials may pass, so that no blank-free trick adds options or commands.
// The reason a number is refused, for the log; nothing when it may be dialled.
std::optional<QString> refusedPhoneNumber(const QString& number);

} // namespace larkspur::platform
