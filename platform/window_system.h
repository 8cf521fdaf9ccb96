#pragma once

#include <QByteArray>
#include <cstdint>
#include <vector>

namespace larkspur::platform {

using WindowId = std::uint64_t;

// The desktop's top-level windows: listing, their titles and asking one to close.
class WindowSystem {
public:
    virtual ~WindowSystem() = default;
    virtual std::vector<WindowId> topLevelWindows() = 0;
    // The title as the window stores it, byte for byte; empty for a window that went.
    virtual QByteArray title(WindowId window) = 0;
    // Asks the window to close, as its close button would; it may refuse.
    virtual void requestClose(WindowId window) = 0;
};

} // namespace larkspur::platform
