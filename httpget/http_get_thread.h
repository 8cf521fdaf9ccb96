#pragma once

#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>

#include "framework/thread.h"
#include "httpget/httpget_events.h"
#include "httpget/response_checks.h"
#include "httpget/target_file.h"
#include "platform/http_client.h"

// Performs one HTTP transfer on a thread of its own: the body of the response goes into
// FileName (continuing a partial file a little before its end) or, in text mode, into
// ResultText. Running when construction returns; frees itself after its finish
// notification. Its only outcome is Succeeded.
class THTTPGetThread : public larkspur::Thread {
    Q_OBJECT
public:
    THTTPGetThread(larkspur::platform::HttpClientFactory& http, const QString& AcceptTypes,
                   const QString& Agent, const QString& URL, const QString& FileName,
                   const QString& UserName, const QString& Password, const QString& PostQuery,
                   const QString& Referer, bool BinaryData, bool UseCache,
                   const TOnProgressEvent& OnProgress, bool ToFile);

    static constexpr std::uint16_t HttpPort = 80;
    static constexpr std::uint16_t HttpsPort = 443;

    struct UrlParts {
        QString Host;
        QString Path;
        bool Secure = false; // https
        std::uint16_t Port = HttpPort;
    };
    static UrlParts SplitUrl(const QString& URL);

    // The last bytes of a partial file are fetched again, in case they were damaged.
    static constexpr std::int32_t ResumeOverlap = 5000;
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
    std::int32_t TotalSize = 0;
    bool ToFile = false;
    std::uint32_t BytesRead = 0;
    std::int32_t Readed = 0;
    TOnProgressEvent OnProgress;

    // GUI thread: the owner goes away; neither progress nor the end reaches it any more.
    void Detach();

protected:
    void execute() override;
    void stopRequested() override;

private:
    void transfer(const UrlParts& parts);
    void openHandles(const UrlParts& parts);
    void prepareFile();
    void settleFile();
    // False when no response came.
    bool sendRequest();
    void startBody(const larkspur::BodyPlan& plan);
    // True, with the outcome set to failure, once a stop was asked for.
    bool stopped();
    // False when a stop request ended it.
    bool readBody();
    void UpdateProgress();
    void CloseHandles();

    larkspur::platform::HttpClientFactory& http_;
    larkspur::platform::HttpStopSignal stopSignal_;
    std::unique_ptr<larkspur::platform::HttpSession> session_;
    std::unique_ptr<larkspur::platform::HttpConnection> connection_;
    std::unique_ptr<larkspur::platform::HttpRequest> request_;
    larkspur::TargetFile file_;
    bool progressDetached_ = false; // GUI thread only
};
