// The schedule fields, the end-of-window check and the end of a night.
#include "engine/night_job.h"

#include <QLocale>
#include <QTimer>
#include <utility>

#include "engine/failure_text.h"
#include "engine/job_view.h"
#include "engine/log_file.h"
#include "framework/ansi_number.h"
#include "framework/error_box.h"
#include "framework/errors.h"
#include "httpget/http_get.h"
#include "job/daily_window.h"
#include "job/transfer_texts.h"
#include "platform/clock.h"
#include "platform/machine_control.h"
#include "platform/sleep_inhibitor.h"

namespace larkspur::engine {

using namespace larkspur::job;

namespace {

// Empty or non-numeric text reads as 0; only the low 8 bits are kept.
std::uint8_t lowByteOf(const QString& text) {
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    return static_cast<std::uint8_t>(ok ? value : 0);
}

} // namespace

void NightJob::Edit5Change() {
    const std::array<QString, 4> fields = view_.scheduleTexts();
    StartHour = lowByteOf(fields[0]);
    StartMinute = lowByteOf(fields[1]);
    EndHour = lowByteOf(fields[2]);
    EndMinute = lowByteOf(fields[3]);
}

void NightJob::CheckDeadline() {
    if (view_.anytime())
        return;
    endOfWindowHandled_ = endOfWindowReached();
    if (endOfWindowHandled_)
        endOfWindow();
}

void NightJob::CheckDeadlineOncePerEnd() {
    if (view_.anytime())
        return;
    // Set before the sequence runs, so a failing one is not repeated on every tick either;
    // once the end's day is over the latch clears and the next end runs again.
    const bool reached = endOfWindowReached();
    const bool handled = std::exchange(endOfWindowHandled_, reached);
    if (reached && !handled)
        endOfWindow();
}

bool NightJob::endOfWindowReached() {
    Edit5Change();
    const platform::TimeOfDay now = services_.clock->timeOfDay();
    return deadlineReached({StartHour, StartMinute, EndHour, EndMinute}, {now.hour, now.minute});
}

// The night's downloading ends here whatever "Disconnect" says: the file under way
// stays partial for the next window, and the job waits for that window with its list.
void NightJob::endOfWindow() {
    view_.addLog(QStringLiteral("Время вышло."));
    stopTransfers();
    endNight(NightSummary::End::WindowOver);
    begin();
}

void NightJob::stopTransfers() {
    queueHalted_ = true;
    RedialArmed = false; // a dial under way that fails does not dial again
    for (QTimer* timer : {Timer2, Timer5, rest})
        timer->stop();
    HTTPGet1->Abort();
}

void NightJob::startNight() {
    if (services_.sleep)
        services_.sleep->take(); // a desktop that suspends before the window opens loses the night
    nightRunning_ = true;
    night_ = {};
    nightStartTick_ = services_.clock->tickCount();
}

// Ends the night once: nothing of it runs again until a new night starts.
void NightJob::endNight(NightSummary::End end, const QString& reason) {
    if (end != NightSummary::End::Stopped) {
        for (QTimer* timer : {Timer3, rest})
            timer->stop();
        FinishJob();
    }
    summarize(end, reason);
}

void NightJob::summarize(NightSummary::End end, const QString& reason) {
    NightSummary summary = std::exchange(night_, {});
    summary.end = end;
    summary.reason = reason;
    summary.durationMs = nightRunning_ ? services_.clock->tickCount() - nightStartTick_ : 0;
    nightRunning_ = false;
    if (services_.sleep)
        services_.sleep->release();
    notifyNightEnded(summary);
    emit nightEnded(summary);
}

// Each step runs even when one before it failed: a failed save must not leave the line
// up or the machine on. The failures are logged at once and shown after the last step.
void NightJob::FinishJob() {
    QStringList failures;
    runEndStep([this] { view_.save(); }, failures);
    runEndStep([this] { logTotals(); }, failures);
    saveLog();
    // What was downloaded must be on the disk before the line or the machine goes off.
    if (DisconnectWhenDone || TurnOffWhenDone)
        runEndStep([this] { services_.machine->flushFileSystem(DownloadDir); }, failures);
    if (DisconnectWhenDone)
        runEndStep([this] { Button4Click(); }, failures);
    runEndStep([this] { PowerOffMachine(); }, failures);
    for (const QString& failure : failures)
        showErrorBox(failure);
}

template <typename Step> void NightJob::runEndStep(Step step, QStringList& failures) {
    try {
        step();
    } catch (...) {
        failures << currentFailureText();
        view_.addLog(failures.last());
    }
}

void NightJob::logTotals() {
    view_.addLog(totalTimeText(TotalTime));
    view_.addLog(ansiNumberText(totalBytesText(TotalBytes, QLocale()), QLocale()));
    if (LinesGivenUp != 0)
        view_.addLog(totalGivenUpText(LinesGivenUp));
}

// A log that cannot be saved (disk full, folder gone or read-only) must not stop the
// night: the reason goes to the log on screen and the job goes on.
void NightJob::saveLog() {
    try {
        writeLogFile(DownloadDir, view_.logLines());
    } catch (const Error& failure) {
        view_.addLog(failure.message());
    }
}

} // namespace larkspur::engine
