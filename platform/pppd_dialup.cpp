// Real dial-up through pppd. An entry is a peers file; a dial runs
//   pppd call ENTRY updetach [user NAME] [plugin passwordfd.so passwordfd 3]
// with the password on a pipe at descriptor 3 (root only: pppd refuses the plugin
// to others, whose passwords live in pppd's secrets files) and the phone number in
// the connect script's environment as PHONE. pppd's messages (and its connect
// script's, which it passes on) give the states; its exit status, or the modem's
// answer, gives the error. Once the line is up pppd detaches and keeps the line after
// we are gone, as a system dial-up connection would; its pid file then finds it for
// the hang-up.
#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <unistd.h>

#include "platform/child_process.h"
#include "platform/dial_threads.h"
#include "platform/dialup_service.h"
#include "platform/phone_number.h"
#include "platform/ppp_interfaces.h"
#include "platform/pppd_progress.h"
#include "platform/pppd_run.h"

namespace larkspur::platform {
namespace {

// Dial handles sit far above interface indexes, which name the connections listed.
constexpr ConnectionHandle firstDialHandle = ConnectionHandle{1} << 24;
constexpr int passwordFd = 3;

bool isPlainName(const QString& entry) {
    return !entry.isEmpty() && !entry.contains('/') && entry != "." && entry != "..";
}

ChildLaunch pppdLaunch(const QString& program, const DialRequest& request, bool passPassword) {
    ChildLaunch launch;
    launch.program = program;
    launch.arguments = {"call", request.entry.toUtf8(), "updetach"};
    if (!request.userName.isEmpty())
        launch.arguments.insert(launch.arguments.end(), {"user", request.userName.toUtf8()});
    if (passPassword) {
        launch.arguments.insert(launch.arguments.end(), {"plugin", "passwordfd.so", "passwordfd",
                                                         QByteArray::number(passwordFd)});
        launch.secret = request.password.toUtf8();
        launch.secretFd = passwordFd;
    }
    launch.environment = {"PHONE=" + request.phoneNumber.toUtf8()};
    return launch;
}

// A line that claims the network is up counts when its interface is up now and was
// not before this dial: another connection's interface is no proof of ours.
PppdProgress::InterfaceCheck newInterfaceCheck(const QString& interfacesDir) {
    return [interfacesDir, before = pppInterfacesUp(interfacesDir)](const QString& name) {
        const auto named = [&](const PppInterface& up) { return up.name == name; };
        const auto now = pppInterfacesUp(interfacesDir);
        const auto found = std::ranges::find_if(now, named);
        return found != now.end() && std::ranges::none_of(before, [&](const PppInterface& old) {
                   return old.name == found->name && old.index == found->index;
               });
    };
}

class PppdDialup : public DialupService {
public:
    PppdDialup(PppdPaths paths, DialNotice notice, PppdLimits limits)
        : paths_(std::move(paths)), limits_(std::move(limits)),
          programName_(QFileInfo(paths_.program).fileName().left(15)), notice_(std::move(notice)) {}

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
        if (const auto refused = refusedPhoneNumber(request.phoneNumber)) {
            tell(*refused);
            return DialError::WrongInfo;
        }
        auto progress = std::make_shared<PppdProgress>(newInterfaceCheck(paths_.interfacesDir));
        auto child =
            ChildProcess::start(pppdLaunch(paths_.program, request, mayPassPassword(request)));
        if (!child) {
            tell(QStringLiteral("%1 cannot be started (package ppp)").arg(paths_.program));
            return DialError::HardwareFailure;
        }
        auto run =
            std::make_shared<PppdRun>(child->pid(), limits_.dialDeadline, limits_.terminationGrace);
        {
            std::lock_guard lock(mutex_);
            handle = firstDialHandle + nextDial_++;
            runs_[handle] = run;
        }
        threads_.start([this, handle, run, progress, callback = std::move(callback),
                        child = std::make_shared<ChildProcess>(std::move(*child))](
                           std::stop_token) { follow(handle, *run, *progress, *child, callback); });
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

    // Without root pppd refuses the password plugin and every dial fails, so the
    // password is left to pppd's secrets files; the user is told so once.
    bool mayPassPassword(const DialRequest& request) {
        if (request.password.isEmpty())
            return false;
        if (limits_.runsAsRoot())
            return true;
        if (!toldAboutSecrets_.exchange(true))
            tell(QStringLiteral("Not running as root, so pppd cannot be handed the password: "
                                "it must be in /etc/ppp/pap-secrets or /etc/ppp/chap-secrets"));
        return false;
    }

    void follow(ConnectionHandle handle, PppdRun& run, PppdProgress& progress, ChildProcess& child,
                const DialCallback& callback) {
        const auto report = [&](std::int32_t state, std::uint32_t error) {
            if (!run.hungUp)
                callback(DialEventMessage, state, error);
        };
        const auto enforceLimits = [&] { run.enforceLimits(); };
        child.readLines(
            [&](std::string_view line) {
                const auto state = progress.onLine(line);
                if (state == DialState::Connected)
                    run.markConnected(progress.interfaceName());
                if (state)
                    report(*state, 0);
            },
            enforceLimits);
        child.waitUntilExited(enforceLimits);
        run.markExited();
        const int status = child.reap();
        if (!progress.connected()) {
            report(progress.lastState(), errorOfEnd(run, progress, status));
            forget(handle);
        }
    }

    static std::uint32_t errorOfEnd(PppdRun& run, const PppdProgress& progress, int status) {
        if (run.timedOut())
            return progress.errorForDeadline();
        return status < 0 ? progress.errorForSignal() : progress.errorForExit(status);
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

    // pppd is ended on a thread of ours, so a pppd that ignores SIGTERM holds nobody up.
    void hangUpInterface(const QString& name) {
        const int pppd = pppdOfInterface(paths_.pidFileDir, name, programName_);
        if (pppd < 0)
            return;
        threads_.start(
            [pppd, grace = limits_.terminationGrace](std::stop_token) { endProcess(pppd, grace); });
    }

    void forget(ConnectionHandle handle) {
        std::lock_guard lock(mutex_);
        runs_.erase(handle);
    }

    const PppdPaths paths_;
    const PppdLimits limits_;
    const QString programName_;
    const DialNotice notice_;
    std::atomic<bool> toldAboutSecrets_{false};
    std::mutex mutex_;
    std::map<ConnectionHandle, std::shared_ptr<PppdRun>> runs_;
    ConnectionHandle nextDial_ = 0;
    DialThreads threads_; // last: its threads end before the rest goes
};

} // namespace

bool processRunsAsRoot() {
    return ::getuid() == 0; // what pppd itself asks of its privileged options
}

std::unique_ptr<DialupService> makePppdDialup(const PppdPaths& paths, DialNotice notice,
                                              const PppdLimits& limits) {
    return std::make_unique<PppdDialup>(paths, std::move(notice), limits);
}

} // namespace larkspur::platform
