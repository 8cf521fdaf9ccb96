// The queue driver: works through the URL list from the top, one transfer at a time, and
// the handlers of the fetch component's events.
#include "engine/night_job.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTimer>

#include "engine/job_view.h"
#include "httpget/http_get.h"
#include "job/queue_rules.h"
#include "job/transfer_texts.h"
#include "platform/clock.h"

namespace larkspur::engine {

using namespace larkspur::job;

namespace {

// Adds what arrived since the last progress event. Readed falling back marks another
// attempt (a resume a little before the end, the next line after one was given up): what
// it counts from was on disk already or belongs to another file, so only its steps count.
void countReceived(std::int64_t readed, std::int64_t& lastReaded, std::int64_t& received) {
    if (readed > lastReaded)
        received += readed - lastReaded;
    lastReaded = readed;
}

} // namespace

void NightJob::Download() {
    if (StopRequested || queueRunning_)
        return; // a second run while one waits inside a transfer could make no progress
    queueRunning_ = true;
    queueHalted_ = false;
    const auto done = qScopeGuard([this] { queueRunning_ = false; });

    saveLog();
    view_.setStatus(QStringLiteral("downloading..."));
    view_.addLog(QString());
    int lastCount = view_.urlLineCount();
    for (;;) {
        if (StopRequested || queueHalted_)
            return;
        // Before a pass, so an empty list ends the job without an end-of-window check too.
        if (view_.urlLineCount() == 0)
            return finishList();
        if (!downloadPass(lastCount))
            continue; // a blank line dropped: nothing fetched, nothing to check
        if (queueHalted_)
            return;
        CheckDeadlineOncePerEnd();
        if (queueHalted_)
            return;
        if (view_.urlLineCount() == 0)
            return finishList();
        if (rest->isActive())
            return; // the retry pause takes over
        if (!IsConnected()) {
            if (!StopRequested)
                begin();
            return;
        }
    }
}

void NightJob::finishList() {
    view_.addLog(QStringLiteral("All files downloaded"));
    view_.setStatus(QStringLiteral("downloaded"));
    endNight(NightSummary::End::ListDone);
}

// Fetches the head line and removes it when it is done or given up. A blank head line
// names nothing to fetch, so it is dropped at once and the result is false.
bool NightJob::downloadPass(int& lastCount) {
    const QString line = view_.urlLine(0);
    const QString url = urlOfLine(line);
    if (url.isEmpty()) {
        view_.deleteUrlLine(0);
        return false;
    }
    const QString target = DownloadDir + QLatin1Char('/') + fileNameFromUrl(url);
    HTTPGet1->URL = url;
    HTTPGet1->FileName = target;
    const QFileInfo onDisk(target); // one look at the disk for both questions
    view_.addLog((onDisk.isFile() ? QStringLiteral("Resume download: ")
                                  : QStringLiteral("Start download: ")) +
                 url);
    view_.addLog(QStringLiteral("  save to: ") + target + QStringLiteral("\r\n"));
    const bool targetExisted = onDisk.exists();
    FileDone = false;
    lastFailureLocal_ = false;
    HTTPGet1->GetFile();
    if (queueHalted_)
        return true; // the end of the window took the transfer: not a failure of the line
    if (lastFailureLocal_) {
        localFailure(target, targetExisted);
        return true; // not counted: the next pass tries the line again, unless the night ended
    }
    localFailuresInARow_ = 0;
    if (removesLine(FileDone, ErrorCount, rest->isActive()) && removeFetchedLine(line) && !FileDone)
        giveUp(url);
    countPass(view_.urlLineCount(), lastCount, ErrorCount);
    return true;
}

bool NightJob::removeFetchedLine(const QString& line) {
    const int index = view_.indexOfUrlLine(line);
    if (index >= 0)
        view_.deleteUrlLine(index);
    return index >= 0;
}

void NightJob::giveUp(const QString& url) {
    ++LinesGivenUp;
    night_.givenUp.append({url, HTTPGet1->ErrorReason});
    view_.addLog(givenUpText(url, ErrorCount + 1));
    keepGivenUpLine(url);
}

// A failure caused on this machine says nothing of the line: it is not counted towards
// giving the line up. A missing folder is made again; when the cause stays for three
// attempts in a row, the night ends with the list whole.
void NightJob::localFailure(const QString& target, bool targetExisted) {
    if (!targetExisted && QFileInfo(target).size() == 0)
        QFile::remove(target); // a file never written leaves no file
    QDir().mkpath(DownloadDir);
    if (++localFailuresInARow_ < 3)
        return;
    localFailuresInARow_ = 0;
    const QString reason = localFailureText(HTTPGet1->FailureErrno, HTTPGet1->ErrorReason);
    view_.addLog(reason);
    queueHalted_ = true;
    endNight(NightSummary::End::LocalFailure, reason);
}

void NightJob::HTTPGet1Progress(QObject*, std::int64_t TotalSize, std::int64_t Readed) {
    if (StopRequested)
        return;
    const std::uint32_t now = services_.clock->tickCount();
    if (FileStartTick == 1) {
        FileStartTick = now; // a part on disk before took none of this time
        FileLastReaded = Readed;
    }
    countReceived(Readed, FileLastReaded, FileReceived);
    view_.showProgress(Readed, TotalSize, FileReceived, now - FileStartTick);
}

void NightJob::HTTPGet1DoneFile(QObject*, const QString& FileName, std::int64_t FileSize) {
    FileDone = true;
    // A file that completed without any progress started nowhere: it took no time.
    const std::uint32_t elapsed =
        FileStartTick == 1 ? 0 : services_.clock->tickCount() - FileStartTick;
    view_.addLog(fileDoneText(FileName, FileSize, FileReceived, elapsed, HTTPGet1->FileSha256));
    ErrorCount = 0;
    TotalTime += elapsed;
    TotalBytes += static_cast<std::uint64_t>(FileSize);
    ++night_.filesDone;
    night_.bytesDone += static_cast<std::uint64_t>(FileSize);
    FileStartTick = 1;
    FileReceived = 0;
}

void NightJob::HTTPGet1Error(QObject*) {
    if (StopRequested || queueHalted_)
        return;
    FileDone = false;
    lastFailureLocal_ = HTTPGet1->FailureIsLocal;
    view_.addLog(transferErrorText(ErrorCount, HTTPGet1->ErrorReason));
    rest->start();
    view_.showTransferFailed();
}

} // namespace larkspur::engine
