#include "platform/child_process.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>

extern char** environ;

namespace larkspur::platform {
namespace {

constexpr int firstPrivateFd = 10;    // above every descriptor the child is given
constexpr std::size_t maxLine = 4096; // longer output lines are cut
constexpr int pollMs = 250;
constexpr int exitPollMs = 50;

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { reset(); }
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }
    void reset(int fd = -1) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

// A pipe whose ends sit above the descriptors the child gets and close on exec.
bool makePipe(Fd& readEnd, Fd& writeEnd) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return false;
    Fd low0(ends[0]), low1(ends[1]);
    readEnd.reset(::fcntl(ends[0], F_DUPFD_CLOEXEC, firstPrivateFd));
    writeEnd.reset(::fcntl(ends[1], F_DUPFD_CLOEXEC, firstPrivateFd));
    return readEnd.get() >= 0 && writeEnd.get() >= 0;
}

// The secret goes into the pipe before the child starts, so nothing blocks on it.
bool writeSecret(Fd& writeEnd, const QByteArray& secret) {
    ::fcntl(writeEnd.get(), F_SETFL, O_NONBLOCK);
    const ssize_t written = ::write(writeEnd.get(), secret.constData(), secret.size());
    writeEnd.reset();
    return written == secret.size();
}

bool isNamed(const char* entry, const QByteArray& assignment) {
    const auto nameLength = assignment.indexOf('=') + 1;
    return std::strncmp(entry, assignment.constData(), nameLength) == 0;
}

std::vector<QByteArray> childEnvironment(const std::vector<QByteArray>& extra) {
    std::vector<QByteArray> all;
    for (char** entry = environ; *entry; ++entry) {
        const bool replaced = std::any_of(extra.begin(), extra.end(),
                                          [&](const QByteArray& e) { return isNamed(*entry, e); });
        if (!replaced)
            all.emplace_back(*entry);
    }
    all.insert(all.end(), extra.begin(), extra.end());
    return all;
}

std::vector<char*> pointers(std::vector<QByteArray>& strings) {
    std::vector<char*> result;
    for (QByteArray& s : strings)
        result.push_back(s.data());
    result.push_back(nullptr);
    return result;
}

struct SpawnSetup {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    SpawnSetup() {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
};

// Output to our pipe (or nowhere when there is none), the secret at its descriptor and
// nothing else of ours: every other descriptor, inherited ones without close-on-exec too,
// is closed in the child. A process group of its own and default signals.
void prepare(SpawnSetup& setup, int outputFd, int secretFd, int secretTarget) {
    posix_spawn_file_actions_addopen(&setup.actions, 0, "/dev/null", O_RDONLY, 0);
    if (outputFd >= 0)
        posix_spawn_file_actions_adddup2(&setup.actions, outputFd, 1);
    else
        posix_spawn_file_actions_addopen(&setup.actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&setup.actions, outputFd >= 0 ? outputFd : 1, 2);
    int firstClosed = 3;
    if (secretFd >= 0) {
        posix_spawn_file_actions_adddup2(&setup.actions, secretFd, secretTarget);
        for (int below = firstClosed; below < secretTarget; ++below)
            posix_spawn_file_actions_addclose(&setup.actions, below);
        firstClosed = secretTarget + 1;
    }
    posix_spawn_file_actions_addclosefrom_np(&setup.actions, firstClosed);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigmask(&setup.attributes, &none);
    posix_spawnattr_setsigdefault(&setup.attributes, &defaults);
    posix_spawnattr_setpgroup(&setup.attributes, 0);
    posix_spawnattr_setflags(&setup.attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF |
                                                    POSIX_SPAWN_SETPGROUP);
}

// A SIGCHLD that is ignored (or SA_NOCLDWAIT) makes the kernel reap children at once:
// their exit status is lost and their pids are free for others while we still use them.
void keepChildrenWaitable() {
    struct sigaction current {};
    if (::sigaction(SIGCHLD, nullptr, &current) != 0)
        return;
    if (current.sa_handler != SIG_IGN && !(current.sa_flags & SA_NOCLDWAIT))
        return;
    if (current.sa_handler == SIG_IGN)
        current.sa_handler = SIG_DFL;
    current.sa_flags &= ~SA_NOCLDWAIT;
    ::sigaction(SIGCHLD, &current, nullptr);
}

// Spawns the launch's program with its arguments and environment; 0 when it failed.
pid_t spawn(const ChildLaunch& launch, int outputFd, int secretFd) {
    QByteArray program = launch.program.toUtf8();
    std::vector<QByteArray> arguments{program};
    arguments.insert(arguments.end(), launch.arguments.begin(), launch.arguments.end());
    std::vector<QByteArray> environment = childEnvironment(launch.environment);
    const std::vector<char*> argv = pointers(arguments);
    const std::vector<char*> envp = pointers(environment);

    keepChildrenWaitable();
    SpawnSetup setup;
    prepare(setup, outputFd, secretFd, launch.secretFd);
    pid_t pid = 0;
    if (::posix_spawn(&pid, program.constData(), &setup.actions, &setup.attributes, argv.data(),
                      envp.data()) != 0)
        return 0;
    return pid;
}

} // namespace

std::optional<ChildProcess> ChildProcess::start(const ChildLaunch& launch) {
    Fd outputRead, outputWrite, secretRead, secretWrite;
    if (!makePipe(outputRead, outputWrite))
        return std::nullopt;
    if (launch.secret &&
        (!makePipe(secretRead, secretWrite) || !writeSecret(secretWrite, *launch.secret)))
        return std::nullopt;
    const pid_t pid = spawn(launch, outputWrite.get(), secretRead.get());
    if (pid == 0)
        return std::nullopt;
    return ChildProcess(pid, outputRead.release());
}

namespace {

void reapLater(pid_t pid) {
    std::thread([pid] {
        while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }).detach();
}

} // namespace

bool ChildProcess::startDetached(const ChildLaunch& launch) {
    const pid_t pid = spawn(launch, -1, -1);
    if (pid == 0)
        return false;
    reapLater(pid);
    return true;
}

std::optional<int> ChildProcess::startDetachedWithin(const ChildLaunch& launch,
                                                     std::chrono::milliseconds limit) {
    const pid_t pid = spawn(launch, -1, -1);
    if (pid == 0)
        return -1;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    for (;;) {
        const pid_t ended = ::waitpid(pid, &status, WNOHANG);
        if (ended == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        if (ended < 0 && errno != EINTR)
            return -1;
        if (std::chrono::steady_clock::now() >= deadline)
            break;
        ::poll(nullptr, 0, exitPollMs);
    }
    reapLater(pid);
    return std::nullopt;
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : pid_(std::exchange(other.pid_, 0)), outputFd_(std::exchange(other.outputFd_, -1)) {}

ChildProcess::~ChildProcess() {
    if (outputFd_ >= 0)
        ::close(outputFd_);
}

bool ChildProcess::hasExited() const {
    siginfo_t info{};
    if (::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) != 0)
        return errno == ECHILD; // reaped behind our back: gone all the same
    return info.si_pid == pid_;
}

void ChildProcess::readLines(const std::function<void(std::string_view)>& onLine,
                             const std::function<void()>& meanwhile) {
    std::string pending;
    char chunk[1024];
    for (;;) {
        meanwhile();
        pollfd watched{outputFd_, POLLIN, 0};
        const int ready = ::poll(&watched, 1, pollMs);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            break;
        if (ready == 0) {
            // Something the child started may hold the pipe after it has gone.
            if (hasExited())
                break;
            continue;
        }
        const ssize_t count = ::read(outputFd_, chunk, sizeof chunk);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            break;
        pending.append(chunk, static_cast<std::size_t>(count));
        for (auto end = pending.find('\n'); end != std::string::npos; end = pending.find('\n')) {
            onLine(std::string_view(pending).substr(0, std::min(end, maxLine)));
            pending.erase(0, end + 1);
        }
        if (pending.size() > maxLine)
            pending.resize(maxLine);
    }
    if (!pending.empty())
        onLine(pending);
}

void ChildProcess::waitUntilExited(const std::function<void()>& meanwhile) {
    while (!hasExited()) {
        meanwhile();
        ::poll(nullptr, 0, exitPollMs);
    }
}

int ChildProcess::reap() {
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace larkspur::platform
