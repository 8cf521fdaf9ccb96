// Real dial-up through pppd. An entry is a peers file; a dial runs
//   pppd call ENTRY updetach debug [user NAME] [plugin passwordfd.so passwordfd 3]
// with the password on a pipe at descriptor 3 and the phone number in the connect
// script's environment as PHONE. pppd's messages (and its connect script's, which it
// passes on) give the states; its exit status, or the modem's answer, gives the error.
// Once the line is up pppd detaches and keeps the line after we are gone, as a system
// dial-up connection would; its pid file then finds it for the hang-up.
#include <QDir>
#include <QFileInfo>
#include <atomic>
#include <csignal>
#include <map>
#include <mutex>

#include "platform/child_process.h"
#include "platform/dial_threads.h"
#include "platform/dialup_service.h"
#include "platform/ppp_interfaces.h"
#include "platform/pppd_progress.h"

namespace larkspur::platform {
namespace {

// Dial handles sit far above interface indexes, which name the connections listed.
constexpr ConnectionHandle firstDialHandle = ConnectionHandle{1} << 24;
constexpr int passwordFd = 3;

// One pppd run, shared by the dial's thread and the hang-up.
class PppdRun {
public:
    explicit PppdRun(pid_t pid) : pid_(pid) {}

    // Ends pppd while it is still our child; false once it has gone.
    bool terminate() {
        std::lock_guard lock(mutex_);
        if (!running_)
            return false;
        ::kill(pid_, SIGTERM);
        return true;
    }

    void markExited() {
        std::lock_guard lock(mutex_);
        running_ = false;
    }

    void setInterface(const QString& name) {
        std::lock_guard lock(mutex_);
        interface_ = name;
    }

    QString interfaceName() {
        std::lock_guard lock(mutex_);
        return interface_;
    }

    std::atomic<bool> hungUp{false};

private:
    std::mutex mutex_;
    const pid_t pid_;
    bool running_ = true;
    QString interface_;
};

bool isPlainName(const QString& entry) {
    return !entry.isEmpty() && !entry.contains('/') && entry != "." && entry != "..";
}

ChildLaunch pppdLaunch(const QString& program, const DialRequest& request) {
    ChildLaunch launch;
    launch.program = program;
    launch.arguments = {"call", request.entry.toUtf8(), "updetach", "debug"};
    if (!request.userName.isEmpty())
        launch.arguments.insert(launch.arguments.end(), {"user", request.userName.toUtf8()});
    if (!request.password.isEmpty()) {
        launch.arguments.insert(launch.arguments.end(), {"plugin", "passwordfd.so", "passwordfd",
                                                         QByteArray::number(passwordFd)});
        launch.secret = request.password.toUtf8();
        launch.secretFd = passwordFd;
    }
    launch.environment = {"PHONE=" + request.phoneNumber.toUtf8()};
    return launch;
}

class PppdDialup : public DialupService {
public:
    PppdDialup(PppdPaths paths, DialNotice notice)
        : paths_(std::move(paths)), programName_(QFileInfo(paths_.program).fileName().left(15)),
          notice_(std::move(notice)) {}

    ~PppdDialup() override {
        // Dials still under way end with us; lines already up stay up.
        std::lock_guard lock(mutex_);
        for (auto& [handle, run] : runs_) {
            run->hungUp = true;
            run->terminate();
        }
    }

    std::vector<ConnectionHandle> activeConnections() override {
        std::vector<ConnectionHandle> handles;
        for (const PppInterface& up : pppInterfacesUp(paths_.interfacesDir))
            handles.push_back(static_cast<ConnectionHandle>(up.index));
        return handles;
    }

    std::uint32_t dial(const DialRequest& request, DialCallback callback,
                       ConnectionHandle& handle) override {
        const QString peersFile = QDir(paths_.peersDir).filePath(request.entry);
        if (!isPlainName(request.entry) || !QFileInfo(peersFile).isFile()) {
            tell(QStringLiteral("No dial-up entry \"%1\": there is no peers file %2")
                     .arg(request.entry, peersFile));
            return DialError::EntryNotFound;
        }
        auto child = ChildProcess::start(pppdLaunch(paths_.program, request));
        if (!child) {
            tell(QStringLiteral("%1 cannot be started (package ppp)").arg(paths_.program));
            return DialError::HardwareFailure;
        }
        auto run = std::make_shared<PppdRun>(child->pid());
        {
            std::lock_guard lock(mutex_);
            handle = firstDialHandle + nextDial_++;
            runs_[handle] = run;
        }
        threads_.start([this, handle, run, callback = std::move(callback),
                        child = std::make_shared<ChildProcess>(std::move(*child))](
                           std::stop_token) { follow(handle, *run, *child, callback); });
        return 0;
    }

    void hangUp(ConnectionHandle handle) override {
        if (handle >= firstDialHandle)
            hangUpDial(handle);
        else
            hangUpInterface(interfaceOfIndex(handle));
    }

private:
    void tell(const QString& line) const {
        if (notice_)
            notice_(line);
    }

    void follow(ConnectionHandle handle, PppdRun& run, ChildProcess& child,
                const DialCallback& callback) {
        const auto report = [&](std::int32_t state, std::uint32_t error) {
            if (!run.hungUp)
                callback(DialEventMessage, state, error);
        };
        PppdProgress progress;
        child.readLines([&](std::string_view line) {
            const auto state = progress.onLine(line);
            if (state == DialState::Connected)
                run.setInterface(progress.interfaceName());
            if (state)
                report(*state, 0);
        });
        child.waitUntilExited();
        run.markExited();
        const int status = child.reap();
        if (!progress.connected()) {
            report(progress.lastState(),
                   status < 0 ? progress.errorForSignal() : progress.errorForExit(status));
            forget(handle);
        }
    }

    void hangUpDial(ConnectionHandle handle) {
        std::shared_ptr<PppdRun> run;
        {
            std::lock_guard lock(mutex_);
            const auto found = runs_.find(handle);
            if (found == runs_.end())
                return;
            run = found->second;
            runs_.erase(found);
        }
        run->hungUp = true;
        if (!run->terminate())
            hangUpInterface(run->interfaceName());
    }

    QString interfaceOfIndex(ConnectionHandle index) const {
        for (const PppInterface& up : pppInterfacesUp(paths_.interfacesDir))
            if (static_cast<ConnectionHandle>(up.index) == index)
                return up.name;
        return {};
    }

    void hangUpInterface(const QString& name) const {
        if (name.isEmpty())
            return;
        if (const pid_t pid = pppdOfInterface(paths_.pidFileDir, name, programName_))
            ::kill(pid, SIGTERM);
    }

    void forget(ConnectionHandle handle) {
        std::lock_guard lock(mutex_);
        runs_.erase(handle);
    }

    const PppdPaths paths_;
    const QString programName_;
    const DialNotice notice_;
    std::mutex mutex_;
    std::map<ConnectionHandle, std::shared_ptr<PppdRun>> runs_;
    ConnectionHandle nextDial_ = 0;
    DialThreads threads_; // last: its threads end before the rest goes
};

} // namespace

std::unique_ptr<DialupService> makePppdDialup(const PppdPaths& paths, DialNotice notice) {
    return std::make_unique<PppdDialup>(paths, std::move(notice));
}

} // namespace larkspur::platform
