// What the night tells the desktop: the morning's notification, the announced power-off,
// the logs kept from earlier nights and the lines given up.
#include "engine/night_job.h"

#include <QDateTime>
#include <QDir>
#include <QUrl>

#include "engine/given_up_file.h"
#include "engine/job_view.h"
#include "engine/kept_logs.h"
#include "engine/night_report.h"
#include "engine/power_off.h"
#include "engine/power_off_countdown.h"
#include "framework/errors.h"
#include "httpget/http_get.h"
#include "platform/notifier.h"
#include "platform/shell.h"

namespace larkspur::engine {

void NightJob::notifyNightEnded(const NightSummary& summary) {
    if (!services_.notifier)
        return;
    if (nightNotification_ == 0)
        connect(services_.notifier, &platform::Notifier::actionInvoked, this,
                &NightJob::openDownloadFolder, Qt::UniqueConnection);
    nightNotification_ = engine::notifyNightEnded(*services_.notifier, summary);
}

void NightJob::openDownloadFolder(unsigned notification, const QString& action) {
    if (notification != nightNotification_ || action != OpenFolderAction || !services_.shell)
        return;
    // A file manager opens no relative file: address.
    services_.shell->open(
        QUrl::fromLocalFile(QDir::current().absoluteFilePath(DownloadDir + QLatin1Char('/'))));
}

// The power-off waits a minute for whoever is there to cancel it; with nobody there it
// follows, and the log on disk says so either way.
void NightJob::PowerOffMachine() {
    if (!TurnOffWhenDone || powerOff_)
        return;
    powerOff_ =
        new PowerOffCountdown(services_.notifier, PowerOffCountdown::defaultSeconds(), this);
    connect(powerOff_, &PowerOffCountdown::expired, this, [this] {
        // log.txt is written before the request: the machine may be off when it returns.
        powerOffLogged(*services_.machine, [this](const QString& line) {
            view_.addLog(line);
            saveLog();
        });
        powerOffDone();
    });
    connect(powerOff_, &PowerOffCountdown::cancelled, this, [this] {
        view_.addLog(powerOffCancelledLine());
        powerOffDone();
    });
    view_.showPowerOffCountdown(*powerOff_);
    powerOff_->start();
}

void NightJob::powerOffDone() {
    saveLog();
    powerOff_->deleteLater();
    powerOff_ = nullptr;
}

void NightJob::keepPreviousLogs() {
    if (const QString failure = engine::keepPreviousLogs(DownloadDir); !failure.isEmpty())
        view_.addLog(failure);
}

// The log is replaced by the next night's: the URL given up is kept in a file of its own.
void NightJob::keepGivenUpLine(const QString& url) {
    try {
        appendGivenUpLine(GivenUpFileName, QDateTime::currentDateTime(), url,
                          HTTPGet1->ErrorReason);
    } catch (const Error& failure) {
        view_.addLog(failure.message());
    }
}

} // namespace larkspur::engine
