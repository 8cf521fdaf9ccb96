// Dial, Disconnect, the dial callback and what the job asks of the machine.
#include "engine/night_job.h"

#include <QTimer>
#include <algorithm>
#include <array>

#include "engine/dial_handover.h"
#include "engine/failure_text.h"
#include "engine/job_view.h"
#include "framework/error_box.h"
#include "httpget/http_get.h"
#include "job/dial_texts.h"
#include "platform/clock.h"
#include "platform/dialup_service.h"
#include "platform/machine_control.h"
#include "platform/window_system.h"

namespace larkspur::engine {

using platform::ConnectionHandle;
using platform::NoConnection;

namespace {

const std::array<QByteArray, 2> dialupTitles{QByteArrayLiteral("Dial-up Connection"),
                                             QByteArrayLiteral("Network Connections")};

bool isDialupTitle(const QByteArray& title) {
    return std::find(dialupTitles.begin(), dialupTitles.end(), title) != dialupTitles.end();
}

constexpr int oldFamilyWithoutPrivileges = 1;

} // namespace

void NightJob::Button3Click() {
    if (!nightRunning_)
        startNight(); // a night dialled by hand ends like one begun
    dial();
}

void NightJob::dial() {
    RedialArmed = true;
    RasConnection = NoConnection;
    if (IsConnected()) {
        view_.addLog(QStringLiteral("Already connected"));
        Download();
        return;
    }
    view_.setStatus(QStringLiteral("connecting..."));
    ++DialAttempt;
    view_.addLog(QStringLiteral("Connecting. Attempt #") + QString::number(DialAttempt));
    // A settings file that cannot be written costs the night nothing: the dial goes on,
    // and the box, which waits for a person, comes after it has started.
    QString failure;
    try {
        view_.saveSettingsRecord();
    } catch (...) {
        failure = currentFailureText();
        view_.addLog(failure);
    }
    startDial();
    if (!failure.isEmpty())
        showErrorBox(failure);
}

void NightJob::startDial() {
    platform::Clock* clock = services_.clock;
    platform::DialupService* dialup = services_.dialup;
    const auto report = [handover = dialHandover_, clock,
                         dialup](std::uint32_t message, std::int32_t state, std::uint32_t error) {
        dialReport(*handover, *clock, *dialup, message, state, error);
    };
    RasConnection = NoConnection;
    ConnectionHandle handle = NoConnection;
    const std::uint32_t result = dialup->dial(view_.dialRequest(), report, handle);
    RasConnection = handle;
    if (result != 0) {
        view_.addLog(QStringLiteral("Hardware failure."));
        dialup->hangUp(RasConnection);
        dialFailed(); // refused at once, it is retried like any failed dial
    }
}

// Runs on the dial-up service's thread, so it sleeps there and hands every change of the
// job over to the GUI thread.
void NightJob::dialReport(DialHandover& handover, platform::Clock& clock,
                          platform::DialupService& dialup, std::uint32_t message,
                          std::int32_t state, std::uint32_t error) {
    clock.sleep(300);
    if (message != platform::DialEventMessage)
        return;
    const job::DialStateStep step = job::dialStateStep(state);
    if (step.pauseMs != 0)
        clock.sleep(step.pauseMs);
    if (step.startsDownload)
        handover.post([](NightJob& job) { job.Timer5->start(); });
    if (error == 0) {
        if (!step.text.isEmpty())
            handover.post([text = step.text](NightJob& job) { job.view_.addLog(text); });
        return;
    }
    dialup.hangUp(handover.connection());
    const QString text = job::dialErrorText(error);
    clock.sleep(2000);
    handover.post([text](NightJob& job) { job.view_.addLog(text); });
    // Decided when the change is applied: a Stop handled after this report was made
    // must not start the redial cycle again.
    handover.post([](NightJob& job) { job.dialFailed(); });
}

void NightJob::dialFailed() {
    if (RedialArmed)
        Timer2->start();
    else
        Timer2->stop();
    if (!StopRequested) // after a Stop the job stays "idle"
        view_.setStatus(QStringLiteral("delay before redial"));
}

void NightJob::Button4Click() {
    if (RasConnection == NoConnection)
        ListConnections();
    Timer2->stop();
    RedialArmed = false;
    try {
        HTTPGet1->Abort();
        if (const ConnectionHandle connection = RasConnection; connection != NoConnection)
            services_.dialup->hangUp(connection);
    } catch (...) {
        // Hanging up is best effort: whatever fails here changes nothing the user can act on.
    }
}

unsigned NightJob::ListConnections() {
    const auto connections = services_.dialup->activeConnections();
    RasConnection = connections.empty() ? NoConnection : connections.front();
    return static_cast<unsigned>(connections.size());
}

bool NightJob::IsConnected() {
    const unsigned count = ListConnections();
    return RasConnection != NoConnection && count != 0;
}

// Closes the system's own dial-up prompts, found by their exact titles.
void NightJob::CloseDialupWindows() {
    platform::WindowSystem& windows = *services_.windows;
    for (const platform::WindowId window : windows.topLevelWindows())
        if (isDialupTitle(windows.title(window)))
            windows.requestClose(window);
}

void NightJob::EnablePrivilege(const char* name) {
    if (name)
        services_.machine->enablePrivilege(QString::fromLocal8Bit(name)); // failures are silent
}

void NightJob::EnableShutdownPrivilegeAtStartup() {
    if (services_.machine->platformId() != oldFamilyWithoutPrivileges)
        EnablePrivilege("SeShutdownPrivilege");
}

} // namespace larkspur::engine
