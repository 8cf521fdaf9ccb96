#pragma once

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

#include "httpget/http_get_thread.h"
#include "platform/http_client.h"
#include "tests/support/http_server.h"

namespace larkspur::test {

// Bytes that differ from their neighbours, so that a misplaced piece shows.
inline QByteArray pattern(int size, char seed = 0) {
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 7 + seed) % 251);
    return bytes;
}

// What one worker left behind, seen from the GUI thread.
struct WorkerOutcome {
    bool ended = false;
    bool succeeded = false;
    std::int64_t totalSize = 0;
    std::int64_t readed = 0;
    QString resultText;
    QString failureReason;
    QList<std::pair<std::int64_t, std::int64_t>> progress; // TotalSize, Readed
    QObject* worker = nullptr;
    QObject* progressSender = nullptr;
};

struct WorkerSettings {
    QString acceptTypes = "*/*";
    QString agent = "Corvane HTTPGet";
    QString url;
    QString fileName;
    QString userName;
    QString password;
    QString postQuery;
    QString referer;
    bool binaryData = true;
    bool useCache = false;
    bool reportProgress = true;
    bool toFile = true;
};

// A scripted server, a folder for target files, a throwaway CA, and the real HTTP client
// trusting that CA, with a short inactivity limit so that silent lines fail quickly.
class TransferFixture : public ::testing::Test {
protected:
    static constexpr std::chrono::milliseconds InactivityLimit{1500};

    QString target(const QString& name = "f.bin") const { return dir.filePath(name); }

    QByteArray fileContent(const QString& name = "f.bin") const {
        QFile file(target(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    void writeFile(const QByteArray& content, const QString& name = "f.bin") const {
        QFile file(target(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }

    WorkerSettings settingsFor(const QString& path) const {
        WorkerSettings settings;
        settings.url = server.url(path);
        settings.fileName = target();
        return settings;
    }

    // Starts a worker; `onProgress` runs inside each progress report.
    THTTPGetThread* startWorker(const WorkerSettings& settings, WorkerOutcome& outcome,
                                std::function<void(THTTPGetThread&)> onProgress = {}) {
        TOnProgressEvent progress;
        if (settings.reportProgress)
            progress = [&outcome, onProgress](QObject* sender, std::int64_t total,
                                              std::int64_t readed) {
                outcome.progressSender = sender;
                outcome.progress.append({total, readed});
                if (onProgress)
                    onProgress(*static_cast<THTTPGetThread*>(sender));
            };
        auto* worker = new THTTPGetThread(*http, settings.acceptTypes, settings.agent, settings.url,
                                          settings.fileName, settings.userName, settings.password,
                                          settings.postQuery, settings.referer, settings.binaryData,
                                          settings.useCache, progress, settings.toFile);
        outcome.worker = worker;
        worker->OnTerminate = [&outcome](QObject* sender) {
            auto* done = static_cast<THTTPGetThread*>(sender);
            outcome.ended = true;
            outcome.succeeded = done->Succeeded;
            outcome.totalSize = done->TotalSize;
            outcome.readed = done->Readed;
            outcome.resultText = done->ResultText;
            outcome.failureReason = done->FailureReason;
        };
        return worker;
    }

    WorkerOutcome runWorker(const WorkerSettings& settings,
                            std::function<void(THTTPGetThread&)> onProgress = {}) {
        WorkerOutcome outcome;
        startWorker(settings, outcome, std::move(onProgress));
        waitUntil([&] { return outcome.ended; });
        return outcome;
    }

    template <typename Condition>
    static void waitUntil(Condition condition, int timeoutMs = 30'000) {
        EXPECT_TRUE(QTest::qWaitFor(condition, timeoutMs));
    }

    // A TLS server on `port` with a certificate of the fixture's CA for its address.
    ServerOptions secureOn(std::uint16_t port = 443) {
        return {port, [this](const QString& host) { return ca.issue(host); }};
    }

    QTemporaryDir dir;
    TestCertificateAuthority ca;
    QString caFile = writeCaFile();
    TestHttpServer server;
    std::unique_ptr<platform::HttpClientFactory> http =
        platform::makeCurlHttpClientFactory(InactivityLimit, QFile::encodeName(caFile));

private:
    QString writeCaFile() const {
        const QString path = dir.filePath(QStringLiteral("ca.pem"));
        ca.writeCertificate(path);
        return path;
    }
};

} // namespace larkspur::test
