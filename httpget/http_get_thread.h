#pragma once

#include <QString>
#include <QStringList>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>

#include "framework/thread.h"
#include "httpget/block_writer.h"
#include "httpget/httpget_events.h"
#include "httpget/received_bytes.h"
#include "httpget/response_checks.h"
#include "httpget/server_digest.h"
#include "httpget/target_file.h"
#include "platform/http_client.h"

// Performs one HTTP transfer on a thread of its own: the body of the response goes into
// FileName (continuing a partial file a little before its end) or, in text mode, into
// ResultText. Running when construction returns; frees itself after its finish
// notification. Its outcome is Succeeded, and FailureReason when it failed.
class THTTPGetThread : public larkspur::Thread {
    Q_OBJECT
public:
    THTTPGetThread(larkspur::platform::HttpClientFactory& http, const QString& AcceptTypes,
                   const QString& Agent, const QString& URL, const QString& FileName,
                   const QString& UserName, const QString& Password, const QString& PostQuery,
                   const QString& Referer, bool BinaryData, bool UseCache,
                   const TOnProgressEvent& OnProgress, bool ToFile,
                   const QStringList& ReservedNames = {});

    static constexpr std::uint16_t HttpPort = 80;
    static constexpr std::uint16_t HttpsPort = 443;

    struct UrlParts {
        QString Host;
        QString Path;
        bool Secure = false; // https
        std::uint16_t Port = HttpPort;
    };
    static UrlParts SplitUrl(const QString& URL);

    // The last bytes of a partial file are fetched again, so that the answer shows whether
    // the partial file is the start of this file.
    static constexpr std::int64_t ResumeOverlap = 5000;
    static constexpr std::uint32_t ChunkSize = 1025;

    QString AcceptTypes;
    QString Agent;
    QString URL;
    QString FileName;
    QString ResultText;
    QString UserName;
    QString Password;
    QString PostQuery;
    QString Referer;
    bool BinaryData = false;
    bool UseCache = false;
    std::atomic<bool> Succeeded{false};
    std::int64_t TotalSize = 0;
    bool ToFile = false;
    std::uint32_t BytesRead = 0;
    std::int64_t Readed = 0;
    TOnProgressEvent OnProgress;
    QStringList ReservedNames; // file names never written, in any folder (the job's logs)
    QString FailureReason;     // in plain words, once the transfer failed
    // Where the failure's cause lies on this machine (the folder missing or no folder, no
    // permission, a read-only or full file system), with the system's error code.
    bool FailureIsLocal = false;
    int FailureErrno = 0;
    QByteArray FileSha256; // lower-case hex of the whole file, once it is complete

    // Whether a system error code is a cause on this machine, not on the line or server.
    static bool isLocalCause(int error);

    // GUI thread: the owner goes away; neither progress nor the end reaches it any more.
    void Detach();

protected:
    void execute() override;
    void stopRequested() override;

private:
    void transfer(const UrlParts& parts);
    void openHandles(const UrlParts& parts);
    // False, with the reason, when FileName is no name a download may take.
    bool acceptableTarget();
    void prepareFile();
    // False when no response came.
    bool sendRequest();
    // False, with the reason, when the answer may not reach the target.
    bool acceptAnswer();
    void startBody(const larkspur::BodyPlan& plan);
    // True, with the outcome set to failure, once a stop was asked for.
    bool stopped();
    void fail(const QString& reason);
    // False when a stop request or a mismatch ended it.
    bool readBody();
    // False when the partial file turned out not to be this file.
    bool takeChunk(const char* data, std::uint32_t count);
    void applySuccessRule();
    // Reads the complete file back: it must hold what this attempt wrote, and match the
    // server's digest where one came. Raises, the file removed, where it does not.
    void checkWrittenFile();
    void failLocally(const larkspur::TargetError& error);
    void UpdateProgress();
    void CloseHandles();

    larkspur::platform::HttpClientFactory& http_;
    larkspur::platform::HttpStopSignal stopSignal_;
    std::unique_ptr<larkspur::platform::HttpSession> session_;
    std::unique_ptr<larkspur::platform::HttpConnection> connection_;
    std::unique_ptr<larkspur::platform::HttpRequest> request_;
    larkspur::TargetFile file_;
    larkspur::BlockWriter blocks_{file_}; // flushed before the body ends and before its outcome
    // The end of the partial file from the resume offset on, which the answer must repeat.
    QByteArray partialTail_;
    std::int64_t partialSize_ = 0;
    std::optional<larkspur::BodyPlan> plan_;
    larkspur::ReceivedBytes received_;
    std::optional<QByteArray> validator_;                // of the answer's version of the file
    std::optional<larkspur::ServerDigest> serverDigest_; // of the whole file
    bool progressDetached_ = false;                      // GUI thread only
};
