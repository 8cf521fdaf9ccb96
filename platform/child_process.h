#pragma once

#include <QByteArray>
#include <QString>
#include <chrono>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <sys/types.h>
#include <vector>

namespace larkspur::platform {

// What a child program gets: its arguments, extra environment entries ("NAME=value",
// replacing inherited ones) and, when given, a secret on a pipe at `secretFd`.
struct ChildLaunch {
    QString program;
    std::vector<QByteArray> arguments;
    std::vector<QByteArray> environment;
    std::optional<QByteArray> secret;
    int secretFd = 3;
};

// A started child whose standard output and error come through one pipe. The owner
// reads its output, then reaps it; until then the pid is the child's and safe to signal.
class ChildProcess {
public:
    // Empty when the program could not be started.
    static std::optional<ChildProcess> start(const ChildLaunch& launch);

    // Starts a child that goes on by itself (a file manager, a browser): its output goes
    // nowhere, it gets no descriptor of ours above 2, and a thread of its own reaps it.
    // False when it could not be started.
    static bool startDetached(const ChildLaunch& launch);

    // Starts a child as startDetached does and waits up to `limit` for it to end: its exit
    // status (-1 when it could not start or a signal ended it), or empty when it still runs.
    static std::optional<int> startDetachedWithin(const ChildLaunch& launch,
                                                  std::chrono::milliseconds limit);

    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&&) = delete;
    ~ChildProcess();

    pid_t pid() const { return pid_; }

    // Hands each output line to `onLine` until the output ends or the child has exited.
    // `meanwhile` runs at least every quarter of a second, for the owner's deadlines.
    void readLines(const std::function<void(std::string_view)>& onLine,
                   const std::function<void()>& meanwhile);

    // Waits until the child has exited without reaping it, so its pid stays reserved;
    // `meanwhile` as for readLines.
    void waitUntilExited(const std::function<void()>& meanwhile);

    // Reaps the exited child: its exit status, or -1 when a signal ended it.
    int reap();

private:
    ChildProcess(pid_t pid, int outputFd) : pid_(pid), outputFd_(outputFd) {}
    bool hasExited() const;

    pid_t pid_;
    int outputFd_;
};

} // namespace larkspur::platform
