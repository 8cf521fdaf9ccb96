#pragma once

#include <atomic>
#include <chrono>
#include <climits>
#include <ctime>
#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace larkspur {

// The kernel's wait on one word, without the spinning and yielding that the standard
// library's atomic wait does first: callers decide themselves how long to spin.

// Sleeps while `word` holds `expected`, at most `timeout`, or until woken. May return
// early for no reason: callers look at the word again.
inline void futexWait(std::atomic<int>& word, int expected, std::chrono::nanoseconds timeout) {
    static_assert(sizeof(std::atomic<int>) == sizeof(int));
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(timeout);
    const timespec relative{time_t(seconds.count()), long((timeout - seconds).count())};
    syscall(SYS_futex, reinterpret_cast<int*>(&word), FUTEX_WAIT_PRIVATE, expected, &relative,
            nullptr, 0);
}

inline void futexWait(std::atomic<int>& word, int expected) {
    syscall(SYS_futex, reinterpret_cast<int*>(&word), FUTEX_WAIT_PRIVATE, expected, nullptr,
            nullptr, 0);
}

// Wakes every thread sleeping on `word`.
inline void futexWake(std::atomic<int>& word) {
    syscall(SYS_futex, reinterpret_cast<int*>(&word), FUTEX_WAKE_PRIVATE, INT_MAX, nullptr, nullptr,
            0);
}

} // namespace larkspur
