#pragma once

#include <functional>

#include "platform/clock.h"

namespace larkspur::test {

// A clock the test sets by hand; sleeping advances the tick counter at once.
class FakeClock : public platform::Clock {
public:
    platform::TimeOfDay time{0, 0};
    std::uint32_t ticks = 0;
    int sleeps = 0;
    std::function<void()> onSleep;

    platform::TimeOfDay timeOfDay() const override { return time; }
    std::uint32_t tickCount() const override { return ticks; }
    void sleep(std::uint32_t milliseconds) override {
        ticks += milliseconds;
        ++sleeps;
        if (onSleep)
            onSleep();
    }
};

} // namespace larkspur::test
