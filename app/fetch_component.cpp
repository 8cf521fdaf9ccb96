// The fetch component of the window and the handlers of its events.
#include "app/form1.h"

#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QTimer>

#include "app/fitted_label.h"
#include "app/settings_storage.h"
#include "framework/paint_pacer.h"
#include "httpget/http_get.h"
#include "job/transfer_texts.h"
#include "platform/clock.h"

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

void TForm1::createFetchComponent() {
    HTTPGet1 = new THTTPGet(this, *services_.http);
    HTTPGet1->setObjectName(QStringLiteral("HTTPGet1"));
    HTTPGet1->AcceptTypes = QStringLiteral("*/*");
    HTTPGet1->Agent = QStringLiteral("Corvane HTTPGet");
    HTTPGet1->BinaryData = true;
    HTTPGet1->UseCache = false;
    HTTPGet1->WaitThread = true;
    HTTPGet1->WaitCompanion = [] { return std::make_unique<larkspur::PaintPacer>(); };
    HTTPGet1->ResumeDownload = true;
    HTTPGet1->ReservedName = LogFileName;
    HTTPGet1->OnProgress = [this](QObject* Sender, std::int64_t TotalSize, std::int64_t Readed) {
        HTTPGet1Progress(Sender, TotalSize, Readed);
    };
    HTTPGet1->OnDoneFile = [this](QObject* Sender, const QString& FileName, std::int64_t FileSize) {
        HTTPGet1DoneFile(Sender, FileName, FileSize);
    };
    HTTPGet1->OnError = [this](QObject* Sender) { HTTPGet1Error(Sender); };
}

void TForm1::HTTPGet1Progress(QObject*, std::int64_t TotalSize, std::int64_t Readed) {
    if (StopRequested)
        return;
    const std::uint32_t now = services_.clock->tickCount();
    if (FileStartTick == 1) {
        FileStartTick = now; // a part on disk before took none of this time
        FileLastReaded = Readed;
    }
    countReceived(Readed, FileLastReaded, FileReceived);
    ProgressBar1->setValue(progressPosition(Readed, TotalSize));
    Label15->setFittedText(bytesOfTotalText(Readed, TotalSize, QLocale()));
    if (const std::uint32_t elapsed = now - FileStartTick; elapsed != 0)
        Label16->setFittedText(speedText(FileReceived, elapsed));
}

void TForm1::HTTPGet1DoneFile(QObject*, const QString& FileName, std::int64_t FileSize) {
    FileDone = true;
    // A file that completed without any progress started nowhere: it took no time.
    const std::uint32_t elapsed =
        FileStartTick == 1 ? 0 : services_.clock->tickCount() - FileStartTick;
    AddLog(fileDoneText(FileName, FileSize, FileReceived, elapsed));
    ErrorCount = 0;
    TotalTime += elapsed;
    TotalBytes += static_cast<std::uint64_t>(FileSize);
    FileStartTick = 1;
    FileReceived = 0;
}

void TForm1::HTTPGet1Error(QObject*) {
    if (StopRequested)
        return;
    FileDone = false;
    AddLog(transferErrorText(ErrorCount, HTTPGet1->ErrorReason));
    rest->start();
    Label15->setFittedText(QStringLiteral("n/a"));
    Label16->setFittedText(QStringLiteral("n/a"));
}
