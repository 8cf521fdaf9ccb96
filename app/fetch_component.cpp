// The fetch component of the window and the handlers of its events.
#include "app/form1.h"

#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QTimer>

#include "app/fitted_label.h"
#include "framework/paint_pacer.h"
#include "httpget/http_get.h"
#include "job/transfer_texts.h"
#include "platform/clock.h"

using namespace larkspur::job;

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
    HTTPGet1->OnProgress = [this](QObject* Sender, std::int32_t TotalSize, std::int32_t Readed) {
        HTTPGet1Progress(Sender, TotalSize, Readed);
    };
    HTTPGet1->OnDoneFile = [this](QObject* Sender, const QString& FileName, std::int32_t FileSize) {
        HTTPGet1DoneFile(Sender, FileName, FileSize);
    };
    HTTPGet1->OnError = [this](QObject* Sender) { HTTPGet1Error(Sender); };
}

void TForm1::HTTPGet1Progress(QObject*, std::int32_t TotalSize, std::int32_t Readed) {
    if (StopRequested)
        return;
    const std::uint32_t now = services_.clock->tickCount();
    if (FileStartTick == 1)
        FileStartTick = now;
    ProgressBar1->setValue(progressPosition(Readed, TotalSize));
    Label15->setFittedText(bytesOfTotalText(Readed, TotalSize, QLocale()));
    if (const std::uint32_t elapsed = now - FileStartTick; elapsed != 0)
        Label16->setFittedText(speedText(Readed, elapsed));
}

void TForm1::HTTPGet1DoneFile(QObject*, const QString& FileName, std::int32_t FileSize) {
    FileDone = true;
    // A file that completed without any progress started nowhere: it took no time.
    const std::uint32_t elapsed =
        FileStartTick == 1 ? 0 : services_.clock->tickCount() - FileStartTick;
    AddLog(fileDoneText(FileName, FileSize, elapsed));
    ErrorCount = 0;
    TotalTime += elapsed;
    TotalBytes += static_cast<std::uint32_t>(FileSize);
    FileStartTick = 1;
}

void TForm1::HTTPGet1Error(QObject*) {
    if (StopRequested)
        return;
    FileDone = false;
    AddLog(transferErrorText(ErrorCount));
    rest->start();
    Label15->setFittedText(QStringLiteral("n/a"));
    Label16->setFittedText(QStringLiteral("n/a"));
}
