#pragma once

#include <vector>

#include "platform/dialup_service.h"

namespace larkspur::test {

// A dial-up service the test drives: it lists what the test puts up, records dials
// and hang-ups, and keeps the callback of the last dial for the test to report through.
class FakeDialup : public platform::DialupService {
public:
    std::vector<platform::ConnectionHandle> connections;
    int listings = 0;

    std::uint32_t dialResult = 0;
    platform::ConnectionHandle dialHandle = 0x5150;
    std::vector<platform::DialRequest> dials;
    platform::DialCallback callback;

    std::vector<platform::ConnectionHandle> hangUps;

    std::vector<platform::ConnectionHandle> activeConnections() override {
        ++listings;
        return connections;
    }

    std::uint32_t dial(const platform::DialRequest& request, platform::DialCallback onEvent,
                       platform::ConnectionHandle& handle) override {
        dials.push_back(request);
        callback = std::move(onEvent);
        handle = dialHandle;
        return dialResult;
    }

    void hangUp(platform::ConnectionHandle handle) override { hangUps.push_back(handle); }
};

} // namespace larkspur::test
