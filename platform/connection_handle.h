#pragma once

#include <cstdint>

namespace larkspur::platform {

// Identifies an active dial-up connection; 0 means none.
using ConnectionHandle = std::uintptr_t;
constexpr ConnectionHandle NoConnection = 0;

} // namespace larkspur::platform
