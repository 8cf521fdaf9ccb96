#pragma once

#include <QtGlobal>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace larkspur {

// Durations of the synchronous GUI calls as the workers saw them, kept for benchmarks.
// Any thread may add; what comes past the capacity is not kept.
class RoundTripLog {
public:
    explicit RoundTripLog(std::size_t capacity) : nanoseconds_(capacity) {}

    void add(std::chrono::nanoseconds duration) {
        const std::size_t at = count_.fetch_add(1, std::memory_order_relaxed);
        if (at < nanoseconds_.size())
            nanoseconds_[at] = duration.count();
    }

    std::size_t size() const { return qMin(count_.load(), nanoseconds_.size()); }

    // The `percent` percentile of what was kept, in microseconds. Only while nobody adds.
    double percentile(double percent) const;

private:
    std::vector<std::int64_t> nanoseconds_;
    std::atomic<std::size_t> count_{0};
};

} // namespace larkspur
