#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "framework/events.h"
#include "httpget/httpget_events.h"
#include "platform/http_client.h"

class THTTPGetThread;

// Fetches one URL over HTTP into a file on a worker thread, without blocking the GUI.
// Set the properties, call GetFile; the outcome arrives as OnDoneFile or OnError, and
// OnProgress follows every chunk. All of it happens on the GUI thread.
class THTTPGet : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString AcceptTypes MEMBER AcceptTypes)
    Q_PROPERTY(QString Agent MEMBER Agent)
    Q_PROPERTY(bool BinaryData MEMBER BinaryData)
    Q_PROPERTY(QString URL MEMBER URL)
    Q_PROPERTY(bool UseCache MEMBER UseCache)
    Q_PROPERTY(QString FileName MEMBER FileName)
    Q_PROPERTY(QString UserName MEMBER UserName)
    Q_PROPERTY(QString Password MEMBER Password)
    Q_PROPERTY(QString PostQuery MEMBER PostQuery)
    Q_PROPERTY(QString Referer MEMBER Referer)
    Q_PROPERTY(bool WaitThread MEMBER WaitThread)
    Q_PROPERTY(bool ResumeDownload MEMBER ResumeDownload)
public:
    THTTPGet(QObject* owner, larkspur::platform::HttpClientFactory& http);
    ~THTTPGet() override;

    // Starts a transfer of URL into FileName, refused while one runs. With WaitThread
    // set it returns after the outcome event, serving the GUI meanwhile.
    void GetFile();
    // Asks the running transfer to stop; its outcome is then OnError.
    void Abort();
    // The finish notification of each worker.
    void ThreadDone(QObject* Sender);

    bool busy() const { return worker_ != nullptr; }

    QString AcceptTypes;
    QString Agent;
    bool BinaryData = false;
    QString URL;
    bool UseCache = false;
    QString FileName;
    QString UserName;
    QString Password;
    QString PostQuery;
    QString Referer;
    bool WaitThread = false;
    TNotifyEvent OnError;
    bool LastSucceeded = false;
    TOnProgressEvent OnProgress;
    TOnDoneFileEvent OnDoneFile;
    TOnDoneStringEvent OnDoneString;
    bool ResumeDownload = false;
    // File names the component never writes, in any folder.
    QStringList ReservedNames;
    // Why the last transfer failed, in plain words; set before OnError is raised.
    QString ErrorReason;
    // Set before OnError: whether that cause lies on this machine (the download folder
    // missing or no folder, no permission, a read-only or full file system), and the
    // system's error code (0 where none).
    bool FailureIsLocal = false;
    int FailureErrno = 0;
    // Set before OnDoneFile: the SHA-256 of the whole file read back, 64 lower-case hex digits.
    QString FileSha256;
    // Made when GetFile starts waiting for its worker and destroyed when the wait ends, such
    // as what paces a window's painting meanwhile: the program's choice, as the component
    // knows no windows.
    std::function<std::unique_ptr<QObject>()> WaitCompanion;

private:
    void removeOldTarget() const;
    void waitForWorker();

    THTTPGetThread* worker_ = nullptr; // the running worker; null when idle
    larkspur::platform::HttpClientFactory& http_;
};
