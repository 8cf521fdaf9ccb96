#pragma once

#include <QObject>
#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>

#include "engine/night_summary.h"
#include "platform/connection_handle.h"
#include "platform/services.h"

class QTimer;
class THTTPGet;

namespace larkspur::platform {
class Clock;
class DialupService;
} // namespace larkspur::platform

namespace larkspur::engine {

class DialHandover;
class JobView;
class PowerOffCountdown;

// The job of a night, without widgets: waits for the daily window, dials, drives the
// URL list through the fetch component and ends the night, reporting to a view. Its
// state, timers and handlers keep the names the window had; the window forwards to them.
class NightJob : public QObject {
    Q_OBJECT
public:
    NightJob(const platform::Services& services, JobView& view, QObject* parent = nullptr);
    ~NightJob() override;

    QTimer* Timer1; // waits for the daily window, every 1 s; then dials
    QTimer* Timer2; // redial delay, 5 s: fetch when connected, else dial again
    QTimer* Timer3; // end-of-window check, every 5 s, from dialling on
    QTimer* Timer4; // closes the system's dial-up prompts, every 1 s, from Begin on
    QTimer* Timer5; // connected: starts the queue 100 ms later
    QTimer* rest;   // pause after a failed file, 5 s; then Begin again
    THTTPGet* HTTPGet1;

    std::uint8_t StartHour = 0;
    std::uint8_t StartMinute = 0;
    std::uint8_t EndHour = 0;
    std::uint8_t EndMinute = 0;
    bool StopRequested = false;
    bool FileDone = false;
    std::uint8_t ErrorCount = 0;
    std::uint16_t DialAttempt = 0;
    bool RedialArmed = false;
    // Read by the dial callback on the dial-up service's thread.
    std::atomic<platform::ConnectionHandle> RasConnection = platform::NoConnection;
    bool TurnOffWhenDone = false;
    bool DisconnectWhenDone = false;
    QString DownloadDir;
    std::uint32_t FileStartTick = 1; // 1: no file started
    std::int64_t FileReceived = 0;   // bytes that arrived since FileStartTick
    std::int64_t FileLastReaded = 0; // Readed of the last progress event
    std::uint32_t TotalTime = 1;
    std::uint64_t TotalBytes = 0;
    std::uint32_t LinesGivenUp = 0; // since start, like the totals

    // Begin as the user presses it: a new night, then the waiting phase.
    void Button7Click();
    // Begin's steps alone, as the retry pause and the driver run them within a night.
    void begin();
    void Button8Click(); // Stop
    void Button3Click(); // Dial as the user presses it: a new night if none runs
    void dial();         // Dial's steps, as the job presses it
    void Button4Click(); // Disconnect

    void Timer1Timer();
    void Timer2Timer();
    void Timer3Timer();
    void Timer4Timer();
    void Timer5Timer();
    void HTTPGet1Progress(QObject* Sender, std::int64_t TotalSize, std::int64_t Readed);
    void HTTPGet1DoneFile(QObject* Sender, const QString& FileName, std::int64_t FileSize);
    void HTTPGet1Error(QObject* Sender);

    void Edit5Change();
    void Download();
    void CheckDeadline();
    // The end-of-window timer's check: the end runs once, later ticks of its day do nothing.
    void CheckDeadlineOncePerEnd();
    void FinishJob();

    bool IsConnected();
    unsigned ListConnections(); // IsConnected's listing step: RasConnection := first, count
    void CloseDialupWindows();
    void EnablePrivilege(const char* name);
    void EnableShutdownPrivilegeAtStartup();
    void PowerOffMachine();
    // Writes the on-screen log to log.txt; a failure is logged on screen, not raised.
    void saveLog();

    const platform::Services& services() const { return services_; }

signals:
    // Once for each night, however it ended.
    void nightEnded(const larkspur::engine::NightSummary& summary);

private:
    void createTimers();
    void createFetchComponent();
    void connectTimers();
    void startNight();
    void endNight(NightSummary::End end, const QString& reason = {});
    void finishList();
    bool downloadPass(int& lastCount);
    bool removeFetchedLine(const QString& line);
    void giveUp(const QString& url);
    void startDial();
    static void dialReport(DialHandover& handover, platform::Clock& clock,
                           platform::DialupService& dialup, std::uint32_t message,
                           std::int32_t state, std::uint32_t error);
    void dialFailed();
    bool endOfWindowReached();
    void endOfWindow();
    void stopTransfers();
    void summarize(NightSummary::End end, const QString& reason);
    void notifyNightEnded(const NightSummary& summary);
    void openDownloadFolder(unsigned notification, const QString& action);
    bool scheduleRefused();
    void logWaitingLine();
    void keepPreviousLogs();
    void keepGivenUpLine(const QString& url);
    void powerOffDone();
    void localFailure(const QString& target, bool targetExisted);
    template <typename Step> void runEndStep(Step step, QStringList& failures);
    void logTotals();

    const platform::Services services_;
    JobView& view_;
    bool queueRunning_ = false;       // one run of the driver at a time
    bool endOfWindowHandled_ = false; // the end of window now reached has run already
    bool queueHalted_ = false;        // the night ended under the running driver: it returns
    bool nightRunning_ = false;       // begun by the user, not yet ended
    bool lastFailureLocal_ = false;   // the last error event's cause lies on this machine
    int localFailuresInARow_ = 0;     // of the head line: three end the night
    NightSummary night_;
    unsigned nightNotification_ = 0;        // the last night's notification, for its action
    PowerOffCountdown* powerOff_ = nullptr; // the countdown under way, if any
    std::uint32_t nightStartTick_ = 0;
    // The dial callback's way to the job; outlives it for reports that come late.
    std::shared_ptr<DialHandover> dialHandover_;
};

} // namespace larkspur::engine
