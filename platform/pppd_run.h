#pragma once

#include <QString>
#include <atomic>
#include <chrono>
#include <mutex>
#include <optional>
#include <sys/types.h>

namespace larkspur::platform {

// One pppd run, shared by the thread that follows it and the hang-up. pppd is ended
// with SIGTERM, and with SIGKILL to its process group when it is still there a grace
// period later; a dial that is not up by its deadline is ended the same way.
class PppdRun {
public:
    using Clock = std::chrono::steady_clock;

    PppdRun(pid_t pid, Clock::duration dialTime, Clock::duration grace);

    // Ends pppd while it is still our child; false once it has gone.
    bool terminate();

    // The deadlines; the thread that follows pppd calls it regularly.
    void enforceLimits();

    // The line is up on `interfaceName`: the dial's deadline no longer applies.
    void markConnected(const QString& interfaceName);
    void markExited();

    bool timedOut();
    QString interfaceName();

    std::atomic<bool> hungUp{false};

private:
    void terminateLocked(Clock::time_point now);

    std::mutex mutex_;
    const pid_t pid_;
    const Clock::time_point dialDeadline_;
    const Clock::duration grace_;
    bool running_ = true;
    bool connected_ = false;
    bool timedOut_ = false;
    bool killed_ = false;
    std::optional<Clock::time_point> terminatedAt_;
    QString interface_;
};

// Ends a process that is not our child, held by its pidfd: SIGTERM, then SIGKILL when
// it is still there after `grace`. Closes the pidfd.
void endProcess(int pidfd, std::chrono::milliseconds grace);

} // namespace larkspur::platform
