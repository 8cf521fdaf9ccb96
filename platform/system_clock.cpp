#include "platform/clock.h"

#include <chrono>
#include <ctime>
#include <thread>

namespace larkspur::platform {

namespace {

class SystemClock final : public Clock {
public:
    TimeOfDay timeOfDay() const override {
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        return {static_cast<unsigned>(local.tm_hour), static_cast<unsigned>(local.tm_min)};
    }

    std::uint32_t tickCount() const override {
        const auto sinceBoot = std::chrono::steady_clock::now().time_since_epoch();
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(sinceBoot).count();
        return static_cast<std::uint32_t>(ms); // keeps the low 32 bits: wraps like the counter
    }

    void sleep(std::uint32_t milliseconds) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
};

} // namespace

std::unique_ptr<Clock> makeSystemClock() { return std::make_unique<SystemClock>(); }

} // namespace larkspur::platform
