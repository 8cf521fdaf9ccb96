#include "platform/pppd_run.h"

#include <cerrno>
#include <csignal>
#include <poll.h>
#include <unistd.h>

#include "platform/pidfd.h"

namespace larkspur::platform {

PppdRun::PppdRun(pid_t pid, Clock::duration dialTime, Clock::duration grace)
    : pid_(pid), dialDeadline_(Clock::now() + dialTime), grace_(grace) {}

bool PppdRun::terminate() {
    std::lock_guard lock(mutex_);
    if (!running_)
        return false;
    terminateLocked(Clock::now());
    return true;
}

void PppdRun::terminateLocked(Clock::time_point now) {
    if (terminatedAt_)
        return;
    ::kill(pid_, SIGTERM);
    terminatedAt_ = now;
}

void PppdRun::enforceLimits() {
    std::lock_guard lock(mutex_);
    if (!running_)
        return;
    const Clock::time_point now = Clock::now();
    if (!connected_ && now >= dialDeadline_ && !terminatedAt_) {
        timedOut_ = true;
        terminateLocked(now);
    }
    // The pid is still reserved for us (not reaped), and so is its process group,
    // which also holds the connect script pppd may have left running.
    if (terminatedAt_ && now >= *terminatedAt_ + grace_ && !killed_) {
        ::kill(-pid_, SIGKILL);
        ::kill(pid_, SIGKILL);
        killed_ = true;
    }
}

void PppdRun::markConnected(const QString& interfaceName) {
    std::lock_guard lock(mutex_);
    connected_ = true;
    interface_ = interfaceName;
}

void PppdRun::markExited() {
    std::lock_guard lock(mutex_);
    running_ = false;
}

bool PppdRun::timedOut() {
    std::lock_guard lock(mutex_);
    return timedOut_;
}

QString PppdRun::interfaceName() {
    std::lock_guard lock(mutex_);
    return interface_;
}

void endProcess(int pidfd, std::chrono::milliseconds grace) {
    if (signalPidfd(pidfd, SIGTERM) == 0) {
        pollfd exited{pidfd, POLLIN, 0};
        int ready = 0;
        while ((ready = ::poll(&exited, 1, static_cast<int>(grace.count()))) < 0 &&
               errno == EINTR) {
        }
        if (ready == 0)
            signalPidfd(pidfd, SIGKILL);
    }
    ::close(pidfd);
}

} // namespace larkspur::platform
