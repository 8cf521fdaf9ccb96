#pragma once

#include <cstdint>
#include <memory>

namespace larkspur::platform {

struct TimeOfDay {
    unsigned hour = 0;   // 0..23, local time
    unsigned minute = 0; // 0..59
};

// Local time of day, the millisecond tick counter and sleeping.
class Clock {
public:
    virtual ~Clock() = default;
    virtual TimeOfDay timeOfDay() const = 0;
    // Milliseconds of a monotonic clock, wrapping at 2^32.
    virtual std::uint32_t tickCount() const = 0;
    virtual void sleep(std::uint32_t milliseconds) = 0;
};

std::unique_ptr<Clock> makeSystemClock();

} // namespace larkspur::platform
