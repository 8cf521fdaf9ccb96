// No dial-up at all: the machine's own network is the line, always up.
#include "platform/dial_threads.h"
#include "platform/dialup_service.h"

namespace larkspur::platform {
namespace {

constexpr ConnectionHandle machineNetwork = 1;

class DirectDialup : public DialupService {
public:
    std::vector<ConnectionHandle> activeConnections() override { return {machineNetwork}; }

    std::uint32_t dial(const DialRequest&, DialCallback callback,
                       ConnectionHandle& handle) override {
        handle = machineNetwork;
        threads_.start([callback = std::move(callback)](std::stop_token) {
            callback(DialEventMessage, DialState::Connected, 0);
        });
        return 0;
    }

    void hangUp(ConnectionHandle) override {}

private:
    DialThreads threads_;
};

} // namespace

std::unique_ptr<DialupService> makeDirectDialup() {
    return std::make_unique<DirectDialup>();
}

} // namespace larkspur::platform
