// The queue driver: works through the URL list from the top, one transfer at a time.
#include "app/form1.h"

#include <QFileInfo>
#include <QPushButton>
#include <QScopeGuard>
#include <QTimer>

#include "httpget/http_get.h"
#include "job/queue_rules.h"
#include "job/transfer_texts.h"
#include "widgets/memo.h"

using namespace larkspur::job;

void TForm1::Download() {
    if (StopRequested || queueRunning_)
        return; // a second run while one waits inside a transfer could make no progress
    queueRunning_ = true;
    const auto done = qScopeGuard([this] { queueRunning_ = false; });

    saveLog();
    setStatus(QStringLiteral("downloading..."));
    AddLog(QString());
    int lastCount = Memo1->lineCount();
    for (;;) {
        if (StopRequested)
            return;
        // Before a pass, so an empty list ends the job without an end-of-window check too.
        if (Memo1->lineCount() == 0)
            return finishList();
        if (!downloadPass(lastCount))
            continue; // a blank line dropped: nothing fetched, nothing to check
        CheckDeadline();
        if (Memo1->lineCount() == 0)
            return finishList();
        if (rest->isActive())
            return; // the retry pause takes over
        if (!IsConnected()) {
            if (!StopRequested)
                Button7Click(Button7);
            return;
        }
    }
}

void TForm1::finishList() {
    AddLog(QStringLiteral("All files downloaded"));
    setStatus(QStringLiteral("downloaded"));
    FinishJob();
}

// Fetches the head line and removes it when it is done or given up. A blank head line
// names nothing to fetch, so it is dropped at once and the result is false.
bool TForm1::downloadPass(int& lastCount) {
    const QString line = Memo1->line(0);
    const QString url = urlOfLine(line);
    if (url.isEmpty()) {
        Memo1->deleteLine(0);
        return false;
    }
    const QString target = DownloadDir + QLatin1Char('/') + fileNameFromUrl(url);
    HTTPGet1->URL = url;
    HTTPGet1->FileName = target;
    AddLog((QFileInfo(target).isFile() ? QStringLiteral("Resume download: ")
                                       : QStringLiteral("Start download: ")) +
           url);
    AddLog(QStringLiteral("  save to: ") + target + QStringLiteral("\r\n"));
    FileDone = false;
    HTTPGet1->GetFile();
    if (removesLine(FileDone, ErrorCount, rest->isActive()) && removeFetchedLine(line) && !FileDone)
        giveUp(url);
    countPass(Memo1->lineCount(), lastCount, ErrorCount);
    return true;
}

bool TForm1::removeFetchedLine(const QString& line) {
    const int index = Memo1->indexOfLine(line);
    if (index >= 0)
        Memo1->deleteLine(index);
    return index >= 0;
}

void TForm1::giveUp(const QString& url) {
    ++LinesGivenUp;
    AddLog(givenUpText(url, ErrorCount + 1));
}
