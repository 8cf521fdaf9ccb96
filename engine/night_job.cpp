// The job's construction, Begin, Stop and the timers of its phases.
#include "engine/night_job.h"

#include <QTimer>

#include "engine/dial_handover.h"
#include "engine/job_view.h"
#include "engine/kept_logs.h"
#include "engine/log_file.h"
#include "engine/power_off_countdown.h"
#include "framework/guard.h"
#include "framework/paint_pacer.h"
#include "httpget/http_get.h"
#include "job/daily_window.h"
#include "job/schedule_check.h"
#include "platform/clock.h"

namespace larkspur::engine {

NightJob::NightJob(const platform::Services& services, JobView& view, QObject* parent)
    : QObject(parent), services_(services), view_(view),
      dialHandover_(std::make_shared<DialHandover>(*this)) {
    setObjectName(QStringLiteral("NightJob"));
    createTimers();
    createFetchComponent();
    connectTimers();
}

NightJob::~NightJob() {
    dialHandover_->close();
}

void NightJob::createTimers() {
    const auto timer = [this](const char* name, int interval) {
        auto* t = new QTimer(this);
        t->setObjectName(QString::fromLatin1(name));
        t->setInterval(interval);
        return t;
    };
    Timer1 = timer("Timer1", 1000);
    Timer2 = timer("Timer2", 5000);
    Timer3 = timer("Timer3", 5000);
    Timer4 = timer("Timer4", 1000);
    Timer5 = timer("Timer5", 100);
    rest = timer("rest", 5000);
}

void NightJob::createFetchComponent() {
    HTTPGet1 = new THTTPGet(this, *services_.http);
    HTTPGet1->setObjectName(QStringLiteral("HTTPGet1"));
    HTTPGet1->AcceptTypes = QStringLiteral("*/*");
    HTTPGet1->Agent = QStringLiteral("Corvane HTTPGet");
    HTTPGet1->BinaryData = true;
    HTTPGet1->UseCache = false;
    HTTPGet1->WaitThread = true;
    HTTPGet1->WaitCompanion = [] { return std::make_unique<PaintPacer>(); };
    HTTPGet1->ResumeDownload = true;
    HTTPGet1->ReservedNames = reservedLogNames();
    HTTPGet1->OnProgress = [this](QObject* Sender, std::int64_t TotalSize, std::int64_t Readed) {
        HTTPGet1Progress(Sender, TotalSize, Readed);
    };
    HTTPGet1->OnDoneFile = [this](QObject* Sender, const QString& FileName, std::int64_t FileSize) {
        HTTPGet1DoneFile(Sender, FileName, FileSize);
    };
    HTTPGet1->OnError = [this](QObject* Sender) { HTTPGet1Error(Sender); };
}

void NightJob::connectTimers() {
    const auto onTimer = [this](QTimer* timer, void (NightJob::*handler)()) {
        connectGuarded(timer, &QTimer::timeout, this, [this, handler] { (this->*handler)(); });
    };
    onTimer(Timer1, &NightJob::Timer1Timer);
    onTimer(Timer2, &NightJob::Timer2Timer);
    onTimer(Timer3, &NightJob::Timer3Timer);
    onTimer(Timer4, &NightJob::Timer4Timer);
    onTimer(Timer5, &NightJob::Timer5Timer);
    onTimer(rest, &NightJob::begin); // the retry pause runs Begin itself, within the night
}

void NightJob::Button7Click() {
    if (scheduleRefused())
        return;
    keepPreviousLogs();
    startNight();
    begin();
}

// A window that can never open would keep the job waiting for ever: Begin says which
// field is wrong instead.
bool NightJob::scheduleRefused() {
    if (view_.anytime())
        return false;
    const std::array<QString, 4> fields = view_.scheduleTexts();
    const job::ScheduleCheck check =
        job::checkSchedule({fields[0], fields[1], fields[2], fields[3]});
    if (check.window)
        return false;
    view_.addLog(check.refusal);
    return true;
}

void NightJob::logWaitingLine() {
    if (view_.anytime())
        return;
    const platform::TimeOfDay now = services_.clock->timeOfDay();
    const QString line =
        job::waitingLine({StartHour, StartMinute, EndHour, EndMinute}, {now.hour, now.minute});
    if (!line.isEmpty())
        view_.addLog(line);
}

void NightJob::begin() {
    view_.addLog(QStringLiteral("Started"));
    StopRequested = false;
    view_.setStatus(QStringLiteral("waiting..."));
    Timer1->start();
    Timer3->stop();
    Timer2->stop();
    Timer4->start();
    rest->stop();
    view_.showJobRunning(true);
    logWaitingLine();
}

void NightJob::Button8Click() {
    view_.addLog(QStringLiteral("Stopped"));
    view_.setStatus(QStringLiteral("idle"));
    for (QTimer* timer : {Timer1, Timer2, Timer3, Timer4, Timer5, rest})
        timer->stop();
    StopRequested = true;
    RedialArmed = false; // a dial under way that fails must not start the redial cycle again
    HTTPGet1->Abort();
    view_.showJobRunning(false);
    if (powerOff_)
        powerOff_->cancel(); // whoever pressed Stop is there: the machine stays on
    saveLog();               // the last lines of an interrupted night are on disk too
    if (nightRunning_)
        endNight(NightSummary::End::Stopped);
}

void NightJob::Timer1Timer() {
    const platform::TimeOfDay now = services_.clock->timeOfDay();
    const job::DailyWindow window{StartHour, StartMinute, EndHour, EndMinute};
    if (!job::windowOpen(window, {now.hour, now.minute}) && !view_.anytime())
        return;
    Timer1->stop();
    Timer3->start();
    if (!nightRunning_)
        startNight(); // the next day's window after the end of one
    dial();
}

void NightJob::Timer2Timer() {
    Timer2->stop();
    if (IsConnected())
        Download();
    else
        dial();
}

void NightJob::Timer3Timer() {
    CheckDeadlineOncePerEnd();
}

void NightJob::Timer4Timer() {
    CloseDialupWindows();
}

void NightJob::Timer5Timer() {
    Timer5->stop();
    Download();
}

} // namespace larkspur::engine
