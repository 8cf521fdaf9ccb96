// The line a newcomer gets, over two services: the machine's own network for an empty
// "Connection" field, dial-up for a named entry.
#include <algorithm>

#include "platform/dialup_service.h"

namespace larkspur::platform {
namespace {

class LineRuleDialup : public DialupService {
public:
    LineRuleDialup(std::unique_ptr<DialupService> ownNetwork,
                   std::unique_ptr<DialupService> dialled, std::function<QString()> entry)
        : ownNetwork_(std::move(ownNetwork)), dialled_(std::move(dialled)),
          entry_(std::move(entry)) {}

    std::vector<ConnectionHandle> activeConnections() override {
        std::vector<ConnectionHandle> up = dialled_->activeConnections();
        if (up.empty() && isOwnNetwork(entry_()))
            return ownNetwork_->activeConnections();
        return up;
    }

    std::uint32_t dial(const DialRequest& request, DialCallback callback,
                       ConnectionHandle& handle) override {
        DialupService& line = isOwnNetwork(request.entry) ? *ownNetwork_ : *dialled_;
        return line.dial(request, std::move(callback), handle);
    }

    void hangUp(ConnectionHandle handle) override {
        const std::vector<ConnectionHandle> own = ownNetwork_->activeConnections();
        DialupService& line =
            std::ranges::find(own, handle) != own.end() ? *ownNetwork_ : *dialled_;
        line.hangUp(handle);
    }

private:
    // A field of blanks names no entry either.
    static bool isOwnNetwork(const QString& entry) { return entry.trimmed().isEmpty(); }

    const std::unique_ptr<DialupService> ownNetwork_;
    const std::unique_ptr<DialupService> dialled_;
    const std::function<QString()> entry_;
};

} // namespace

std::unique_ptr<DialupService> makeLineRuleDialup(std::unique_ptr<DialupService> ownNetwork,
                                                  std::unique_ptr<DialupService> dialled,
                                                  std::function<QString()> entry) {
    return std::make_unique<LineRuleDialup>(std::move(ownNetwork), std::move(dialled),
                                            std::move(entry));
}

} // namespace larkspur::platform
