#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <ostream>
#include <thread>
#include <vector>

#include "platform/dialup_service.h"

namespace larkspur::test {

struct DialReport {
    std::uint32_t message;
    std::int32_t state;
    std::uint32_t error;
    std::thread::id thread;
    bool operator==(const DialReport& other) const {
        return message == other.message && state == other.state && error == other.error;
    }
};

inline void PrintTo(const DialReport& report, std::ostream* out) {
    *out << "(" << report.message << ", " << report.state << ", " << report.error << ")";
}

inline DialReport report(std::int32_t state, std::uint32_t error = 0) {
    return {platform::DialEventMessage, state, error, {}};
}

// Collects what a dial-up service reports, from whatever thread it reports on.
class DialReportRecorder {
public:
    platform::DialCallback callback() {
        return [this](std::uint32_t message, std::int32_t state, std::uint32_t error) {
            std::lock_guard lock(mutex_);
            reports_.push_back({message, state, error, std::this_thread::get_id()});
            arrived_.notify_all();
        };
    }

    // Waits until `count` reports are in (or the time is up) and returns them all.
    std::vector<DialReport> waitFor(std::size_t count,
                                    std::chrono::milliseconds limit = std::chrono::seconds(10)) {
        std::unique_lock lock(mutex_);
        arrived_.wait_for(lock, limit, [&] { return reports_.size() >= count; });
        return reports_;
    }

    std::vector<DialReport> reports() {
        std::lock_guard lock(mutex_);
        return reports_;
    }

private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<DialReport> reports_;
};

} // namespace larkspur::test
