// Closes the system's own dial-up prompts, found by their exact titles.
#include <algorithm>
#include <array>

#include "app/form1.h"
#include "platform/window_system.h"

namespace {

const std::array<QByteArray, 2> dialupTitles{QByteArrayLiteral("Dial-up Connection"),
                                             QByteArrayLiteral("Network Connections")};

bool isDialupTitle(const QByteArray& title) {
    return std::find(dialupTitles.begin(), dialupTitles.end(), title) != dialupTitles.end();
}

} // namespace

void TForm1::CloseDialupWindows() {
    larkspur::platform::WindowSystem& windows = *services().windows;
    for (const larkspur::platform::WindowId window : windows.topLevelWindows())
        if (isDialupTitle(windows.title(window)))
            windows.requestClose(window);
}
