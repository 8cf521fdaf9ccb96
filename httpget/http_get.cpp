#include "httpget/http_get.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QScopeGuard>

#include "framework/event_wake.h"
#include "httpget/http_get_thread.h"
#include "httpget/quit_watch.h"

namespace {

bool sameFile(const QString& a, const QString& b) {
    const QFileInfo first(a);
    const QFileInfo second(b);
    if (first.absoluteFilePath() == second.absoluteFilePath())
        return true;
    const QString canonical = first.canonicalFilePath();
    return !canonical.isEmpty() && canonical == second.canonicalFilePath();
}

} // namespace

THTTPGet::THTTPGet(QObject* owner, larkspur::platform::HttpClientFactory& http)
    : QObject(owner), http_(http) {
    AcceptTypes = QStringLiteral("*/*");
    Agent = QStringLiteral("Corvane HTTPGet");
    ResumeDownload = true;
}

THTTPGet::~THTTPGet() {
    Abort();
    // The worker ends on its own later; its end must not reach this component.
    if (worker_)
        worker_->Detach();
}

void THTTPGet::GetFile() {
    if (!ResumeDownload)
        removeOldTarget();
    if (worker_)
        return;
    worker_ =
        new THTTPGetThread(http_, AcceptTypes, Agent, URL, FileName, UserName, Password, PostQuery,
                           Referer, BinaryData, UseCache, OnProgress, true, ReservedNames);
    // The end is delivered on this thread, so it cannot arrive before this is set.
    worker_->OnTerminate = [this](QObject* Sender) { ThreadDone(Sender); };
    if (WaitThread)
        waitForWorker();
}

void THTTPGet::Abort() {
    if (!worker_)
        return;
    worker_->terminate();
    worker_->Succeeded = false;
}

void THTTPGet::ThreadDone(QObject*) {
    // A failing handler still leaves the component idle; one that destroyed the
    // component leaves nothing to touch.
    const QPointer<THTTPGet> self(this);
    const THTTPGetThread* worker = worker_;
    const auto idle = qScopeGuard([self] {
        if (self)
            self->worker_ = nullptr;
    });
    LastSucceeded = worker->Succeeded;
    ErrorReason = LastSucceeded ? QString() : worker->FailureReason;
    if (!LastSucceeded && ErrorReason.isEmpty())
        ErrorReason = QStringLiteral("stopped"); // stopped after its last look at the flag
    FailureIsLocal = !LastSucceeded && worker->FailureIsLocal;
    FailureErrno = LastSucceeded ? 0 : worker->FailureErrno;
    FileSha256 = LastSucceeded ? QString::fromLatin1(worker->FileSha256) : QString();
    if (!LastSucceeded) {
        if (const TNotifyEvent handler = OnError)
            handler(this);
    } else if (worker->ToFile) {
        if (const TOnDoneFileEvent handler = OnDoneFile)
            handler(this, worker->FileName, worker->TotalSize);
    } else if (const TOnDoneStringEvent handler = OnDoneString) {
        handler(this, worker->ResultText);
    }
}

// Never the file that the running transfer writes.
void THTTPGet::removeOldTarget() const {
    if (worker_ && sameFile(FileName, worker_->FileName))
        return;
    QFile::remove(FileName);
}

// Serves the GUI and the worker's calls until the worker has ended; the worker's calls
// straight from its slot while they come quickly, and its companion lives meanwhile. A quit
// request stops the transfer, so that the program can end soon after.
void THTTPGet::waitForWorker() {
    const QPointer<THTTPGet> self(this);
    const larkspur::QuitWatch quitWatch([self] {
        if (self)
            self->Abort();
    });
    const std::unique_ptr<QObject> companion = WaitCompanion ? WaitCompanion() : nullptr;
    while (self && self->worker_)
        self->worker_->waitStep();
    larkspur::wakeEventLoop(); // an enclosing loop, told to quit meanwhile, must see it
}
