#pragma once

#include <chrono>
#include <cstdint>

namespace larkspur {

// Whether one thread spins for an event that another thread brings before it goes to
// sleep, learnt from how spinning paid off: it spins, for a short while at most, as long
// as most of its spins saw the event come in time (both threads have a processor), and
// sleeps at once while most did not (a busy machine), trying a spin now and then to see
// whether that changed.
class SpinBudget {
public:
    // Spins until `ready()` holds or the spin is over; true when it held in time.
    template <typename Ready> bool spinUntil(const Ready& ready) {
        if (hitRate_ < HalfRate && ++sinceTry_ < TryEvery)
            return ready();
        sinceTry_ = 0;
        // The clock is read from the 16th step on only: most spins that pay end sooner.
        Clock::time_point start;
        for (unsigned step = 1;; ++step) {
            if (ready()) {
                note(true);
                return true;
            }
            if (step % 16 == 0) {
                const Clock::time_point now = Clock::now();
                if (step == 16)
                    start = now;
                else if (now - start >= Spin)
                    break;
            }
            pause();
        }
        note(false);
        return false;
    }

private:
    using Clock = std::chrono::steady_clock;
    // Long enough for the other thread's usual work, short against a sleep and a wake.
    static constexpr std::chrono::nanoseconds Spin{20'000};
    static constexpr unsigned TryEvery = 32;
    // The share of spins that paid, in 1/65536: a moving average over about 16 spins.
    static constexpr std::int32_t FullRate = 65536;
    static constexpr std::int32_t HalfRate = FullRate / 2;

    void note(bool paid) { hitRate_ += ((paid ? FullRate : 0) - hitRate_) / 16; }

    static void pause() {
#if defined(__x86_64__) || defined(__i386__)
        __builtin_ia32_pause();
#endif
    }

    std::int32_t hitRate_ = FullRate;
    unsigned sinceTry_ = 0;
};

} // namespace larkspur
