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
    // Ends a fade-in early, checked before each step.
    std::function<bool()> cut = [] { return false; };
};

// From 0 up by 5 until it reaches 255: 51 steps.
void FadeIn(std::int32_t& alpha, const FadeSteps& steps);
// From 255 down by 7 while above 0, never applying below 0: 37 steps.
void FadeOutSteps(std::int32_t& alpha, const FadeSteps& steps);

// Keeps the fades from running inside one another. A fade lets window messages run,
// and an activation or a close handled there would start another fade on the same
// alpha (a fade-in within a fade-in ends at 260). A fade-in asked for while a fade
// runs is dropped; a fade-out ends a fade-in under way, then runs; a fade-out asked
// for within a fade-out is dropped.
class FadeGuard {
public:
    void fadeIn(std::int32_t& alpha, FadeSteps steps);
    void fadeOut(std::int32_t& alpha, const FadeSteps& steps);

private:
    enum class Fade { None, In, Out };
    Fade running_ = Fade::None;
    bool fadeInCut_ = false;
};
