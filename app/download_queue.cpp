// The queue driver: works through the URL list from the top, one transfer at a time.
#include "app/form1.h"

#include <QFileInfo>
#include <QPushButton>
#include <QScopeGuard>
#include <QTimer>

#include "httpget/http_get.h"
#include "job/queue_rules.h"
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
        downloadPass(lastCount);
        CheckDeadline();
        if (Memo1->lineCount() == 0) {
            AddLog(QStringLiteral("All files downloaded"));
            setStatus(QStringLiteral("downloaded"));
            FinishJob();
            return;
        }
        if (rest->isActive())
            return; // the retry pause takes over
        if (!IsConnected()) {
            if (!StopRequested)
                Button7Click(Button7);
            return;
        }
    }
}

// Fetches the head line and removes it when it is done or given up. A blank head line
// names nothing to fetch, so it is dropped at once.
void TForm1::downloadPass(int& lastCount) {
    const QString url = Memo1->line(0);
    if (url.isEmpty()) {
        Memo1->deleteLine(0);
        return;
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
    if (removesLine(FileDone, ErrorCount, rest->isActive()))
        removeFetchedLine(url);
    countPass(Memo1->lineCount(), lastCount, ErrorCount);
}

void TForm1::removeFetchedLine(const QString& url) {
    const int line = Memo1->indexOfLine(url);
    if (line >= 0)
        Memo1->deleteLine(line);
}
