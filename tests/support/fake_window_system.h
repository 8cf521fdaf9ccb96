#pragma once

#include <QByteArray>
#include <vector>

#include "platform/window_system.h"

namespace larkspur::test {

// Top-level windows the test lists with their titles; close requests are recorded.
class FakeWindowSystem : public platform::WindowSystem {
public:
    struct Window {
        platform::WindowId id;
        QByteArray title;
    };
    std::vector<Window> windows;
    std::vector<platform::WindowId> titlesRead;
    std::vector<platform::WindowId> closeRequests;

    std::vector<platform::WindowId> topLevelWindows() override {
        std::vector<platform::WindowId> ids;
        for (const Window& window : windows)
            ids.push_back(window.id);
        return ids;
    }

    QByteArray title(platform::WindowId id) override {
        titlesRead.push_back(id);
        for (const Window& window : windows)
            if (window.id == id)
                return window.title;
        return {};
    }

    void requestClose(platform::WindowId id) override { closeRequests.push_back(id); }
};

} // namespace larkspur::test
