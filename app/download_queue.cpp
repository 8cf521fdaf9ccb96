// The fetch component of the window and the handlers of its events.
#include "app/form1.h"

#include "httpget/http_get.h"

void TForm1::createFetchComponent() {
    HTTPGet1 = new THTTPGet(this, *services_.http);
    HTTPGet1->setObjectName(QStringLiteral("HTTPGet1"));
    HTTPGet1->AcceptTypes = QStringLiteral("*/*");
    HTTPGet1->Agent = QStringLiteral("Corvane HTTPGet");
    HTTPGet1->BinaryData = true;
    HTTPGet1->UseCache = false;
    HTTPGet1->WaitThread = true;
    HTTPGet1->ResumeDownload = true;
    HTTPGet1->OnProgress = [this](QObject* Sender, std::int32_t TotalSize, std::int32_t Readed) {
        HTTPGet1Progress(Sender, TotalSize, Readed);
    };
    HTTPGet1->OnDoneFile = [this](QObject* Sender, const QString& FileName, std::int32_t FileSize) {
        HTTPGet1DoneFile(Sender, FileName, FileSize);
    };
    HTTPGet1->OnError = [this](QObject* Sender) { HTTPGet1Error(Sender); };
}

void TForm1::HTTPGet1Progress(QObject*, std::int32_t, std::int32_t) {}

void TForm1::HTTPGet1DoneFile(QObject*, const QString&, std::int32_t) {}

void TForm1::HTTPGet1Error(QObject*) {}
