// A scripted modem for tests and demonstrations. The script is a list of steps
// separated by commas, each STATE[/ERROR][@DELAY]: after DELAY milliseconds (200 when
// not given) the dial reports STATE with ERROR (0 when not given). Scripts separated
// by ";" are played by successive dials, the last one by every later dial. A dial
// whose report of the connected state has no error is listed until it is hung up.
#include <QStringList>
#include <algorithm>
#include <condition_variable>
#include <limits>
#include <map>
#include <mutex>
#include <stdexcept>

#include "platform/dial_threads.h"
#include "platform/dialup_service.h"

namespace larkspur::platform {
namespace {

struct SimStep {
    std::int32_t state = 0;
    std::uint32_t error = 0;
    std::uint32_t delayMs = 200;
};

const QString defaultScript = QStringLiteral("19,14,8192");

[[noreturn]] void rejectStep(const QString& step) {
    throw std::invalid_argument("sim dial-up: cannot read the step \"" + step.toStdString() +
                                "\" (write STATE[/ERROR][@DELAY], e.g. 19,14,8192 or 19,678)");
}

template <typename Number> Number parseNumber(const QString& text, const QString& step) {
    bool ok = false;
    const qlonglong value = text.trimmed().toLongLong(&ok);
    if (!ok || value < std::numeric_limits<Number>::min() ||
        value > std::numeric_limits<Number>::max())
        rejectStep(step);
    return static_cast<Number>(value);
}

SimStep parseStep(const QString& step) {
    SimStep parsed;
    QString rest = step;
    if (const auto at = rest.indexOf('@'); at >= 0) {
        parsed.delayMs = parseNumber<std::uint32_t>(rest.mid(at + 1), step);
        rest.truncate(at);
    }
    if (const auto slash = rest.indexOf('/'); slash >= 0) {
        parsed.error = parseNumber<std::uint32_t>(rest.mid(slash + 1), step);
        rest.truncate(slash);
    }
    parsed.state = parseNumber<std::int32_t>(rest, step);
    return parsed;
}

using DialScript = std::vector<SimStep>;

DialScript parseDialScript(const QString& script) {
    DialScript steps;
    for (const QString& step : script.split(','))
        steps.push_back(parseStep(step));
    return steps;
}

std::vector<DialScript> parseScript(const QString& script) {
    std::vector<DialScript> dials;
    for (const QString& dial : (script.isEmpty() ? defaultScript : script).split(';'))
        dials.push_back(parseDialScript(dial));
    return dials;
}

class SimDialup : public DialupService {
public:
    explicit SimDialup(std::vector<DialScript> scripts) : scripts_(std::move(scripts)) {}

    std::vector<ConnectionHandle> activeConnections() override {
        std::lock_guard lock(mutex_);
        std::vector<ConnectionHandle> up;
        for (const auto& [handle, dial] : dials_)
            if (dial.connected)
                up.push_back(handle);
        return up;
    }

    std::uint32_t dial(const DialRequest&, DialCallback callback,
                       ConnectionHandle& handle) override {
        const DialScript* script = nullptr;
        {
            std::lock_guard lock(mutex_);
            handle = ++lastHandle_;
            dials_[handle] = {};
            script = &scripts_[std::min(dialsStarted_++, scripts_.size() - 1)];
        }
        threads_.start([this, script, callback = std::move(callback),
                        handle](std::stop_token stop) { play(*script, handle, callback, stop); });
        return 0;
    }

    void hangUp(ConnectionHandle handle) override {
        std::lock_guard lock(mutex_);
        dials_.erase(handle);
        hungUp_.notify_all();
    }

private:
    struct Dial {
        bool connected = false;
    };

    void play(const DialScript& script, ConnectionHandle handle, const DialCallback& callback,
              std::stop_token stop) {
        for (const SimStep& step : script) {
            if (!waitFor(handle, step.delayMs, stop))
                return;
            if (step.state == DialState::Connected && step.error == 0)
                markConnected(handle);
            callback(DialEventMessage, step.state, step.error);
        }
    }

    // False when the dial was hung up or the service is going.
    bool waitFor(ConnectionHandle handle, std::uint32_t delayMs, std::stop_token stop) {
        std::unique_lock lock(mutex_);
        const auto gone = [&] { return !dials_.contains(handle); };
        hungUp_.wait_for(lock, stop, std::chrono::milliseconds(delayMs), gone);
        return !gone() && !stop.stop_requested();
    }

    void markConnected(ConnectionHandle handle) {
        std::lock_guard lock(mutex_);
        if (const auto found = dials_.find(handle); found != dials_.end())
            found->second.connected = true;
    }

    const std::vector<DialScript> scripts_;
    std::size_t dialsStarted_ = 0;
    std::mutex mutex_;
    std::condition_variable_any hungUp_;
    std::map<ConnectionHandle, Dial> dials_;
    ConnectionHandle lastHandle_ = NoConnection;
    DialThreads threads_; // last: its threads stop before the rest goes
};

} // namespace

std::unique_ptr<DialupService> makeSimDialup(const QString& script) {
    return std::make_unique<SimDialup>(parseScript(script));
}

} // namespace larkspur::platform
