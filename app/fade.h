#pragma once

#include <cstdint>
#include <functional>

namespace larkspur::platform {
class Clock;
}

// The window fades: each step sleeps 1 ms, moves the alpha, applies it and lets
// pending window messages run. `alpha` is the working value the caller keeps.
struct FadeSteps {
    larkspur::platform::Clock& clock;
    std::function<void(int alpha)> apply;
    std::function<void()> pumpMessages;
};

// From 0 up by 5 until it reaches 255: 51 steps.
void FadeIn(std::int32_t& alpha, const FadeSteps& steps);
// From 255 down by 7 while above 0, never applying below 0: 37 steps.
void FadeOutSteps(std::int32_t& alpha, const FadeSteps& steps);
