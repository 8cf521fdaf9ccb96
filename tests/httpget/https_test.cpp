#include <QFile>
#include <functional>

#include "tests/support/qt_printers.h"

#include "tests/httpget/transfer_fixture.h"
#include "tests/support/connect_proxy.h"

using namespace larkspur;
using namespace larkspur::test;
using namespace std::chrono_literals;

namespace {

class Https : public TransferFixture {
protected:
    WorkerSettings settingsOn(const TestHttpServer& source, const QString& path) {
        WorkerSettings settings = settingsFor(path);
        settings.url = source.url(path);
        return settings;
    }
};

} // namespace

TEST_F(Https, FetchesAFileByteIdenticalOnTheSchemesPortAndOnAnExplicitOne) {
    const QByteArray content = pattern(300000, 3);
    for (const std::uint16_t port : {443, 8443}) {
        TestHttpServer secure({}, secureOn(port));
        secure.serveFile(content);
        QFile::remove(target());
        WorkerSettings settings = settingsOn(secure, "/f.bin");
        settings.reportProgress = false; // the test's waiting serves progress slowly
        const WorkerOutcome outcome = runWorker(settings);
        EXPECT_TRUE(outcome.succeeded) << port;
        EXPECT_EQ(outcome.totalSize, content.size()) << port;
        EXPECT_TRUE(fileContent() == content) << port;
    }
}

TEST_F(Https, AResumeSendsTheRangeAndEndsWhole) {
    TestHttpServer secure({}, secureOn());
    const QByteArray content = pattern(20000);
    secure.serveFile(content);
    writeFile(content.left(12000));
    const WorkerOutcome outcome = runWorker(settingsOn(secure, "/f.bin"));
    EXPECT_EQ(secure.requests().value(0).header("Range"), "bytes=7000-");
    EXPECT_TRUE(outcome.succeeded);
    EXPECT_EQ(fileContent(), content);
}

TEST_F(Https, ACertificateThatFailsVerificationFailsTheTransferAndLeavesTheFileAlone) {
    TestCertificateAuthority stranger;
    const std::pair<const char*, std::function<TlsIdentity(const QString&)>> certificates[] = {
        {"from an unknown CA", [&](const QString& host) { return stranger.issue(host); }},
        {"expired", [&](const QString& host) { return ca.issue(host, -48h, -24h); }},
        {"for another name", [&](const QString&) { return ca.issue("elsewhere.test"); }},
        {"for another address", [&](const QString&) { return ca.issue("127.0.0.1"); }},
    };
    const QByteArray partial = pattern(9000);
    for (const auto& [what, certificate] : certificates) {
        TestHttpServer secure({}, {443, certificate});
        secure.serveFile(pattern(12000));
        writeFile(partial);
        const WorkerOutcome outcome = runWorker(settingsOn(secure, "/f.bin"));
        EXPECT_FALSE(outcome.succeeded) << what;
        EXPECT_TRUE(outcome.failureReason.startsWith("certificate not trusted: ")) << what;
        EXPECT_EQ(fileContent(), partial) << what;
        EXPECT_EQ(secure.connectionCount(), 1) << what;
        EXPECT_TRUE(secure.requests().isEmpty()) << what; // nothing was asked of it
    }
}

// The program's client trusts the system's store alone, where no test CA is.
TEST_F(Https, WithoutTheTestCaTheThrowawayCertificateIsRefused) {
    TestHttpServer secure({}, secureOn());
    secure.serveFile("ok");
    http = platform::makeCurlHttpClientFactory(InactivityLimit);
    EXPECT_FALSE(runWorker(settingsOn(secure, "/f.bin")).succeeded);
    EXPECT_TRUE(secure.requests().isEmpty());
    EXPECT_FALSE(QFile::exists(target())); // no empty file made for a failed fetch
}

TEST_F(Https, RedirectsLeadFromHttpToHttpsButNeverBack) {
    TestHttpServer secure({}, secureOn());
    const QByteArray content = pattern(50000);
    const auto movedTo = [](const QString& url) {
        ScriptedReply moved{302, "moved"};
        moved.headers.append("Location: " + url.toLatin1());
        return moved;
    };
    server.setScript([&](const RecordedRequest& request) {
        return request.target == "/start" ? movedTo(secure.url("/middle"))
                                          : fileReply(content, request);
    });
    secure.setScript([&](const RecordedRequest& request) {
        return request.target == "/middle" ? movedTo(server.url("/end"))
                                           : fileReply(content, request);
    });
    for (const QString& start : {server.url("/start"), secure.url("/middle")}) {
        WorkerSettings settings = settingsFor("/start");
        settings.url = start;
        QFile::remove(target());
        const WorkerOutcome outcome = runWorker(settings);
        EXPECT_FALSE(outcome.succeeded) << start.toStdString();
        EXPECT_EQ(outcome.failureReason, "redirected from https to http: refused");
        EXPECT_FALSE(QFile::exists(target()));
    }
    EXPECT_EQ(server.requests().size(), 1); // only "/start": "/end" was never asked for
    server.setScript([&](const RecordedRequest&) { return movedTo(secure.url("/f")); });
    EXPECT_TRUE(runWorker(settingsFor("/start")).succeeded);
    EXPECT_EQ(fileContent(), content);
}

// The proxy's reply to CONNECT is no answer of the server: status and length come from the
// server's own answer inside the tunnel, whatever headers the proxy adds.
TEST_F(Https, AnHttpsProxyFromTheEnvironmentTunnelsAndItsReplyIsNotTheServers) {
    TestHttpServer secure({}, secureOn());
    const QByteArray content = pattern(30000, 4);
    secure.setScript([&](const RecordedRequest& request) {
        return request.target == "/f.bin" ? fileReply(content, request)
                                          : ScriptedReply{404, "<html>missing</html>"};
    });
    for (const QByteArray& extra : {QByteArray(), QByteArray("Content-Length: 46\r\n")}) {
        ConnectProxy proxy(extra);
        qputenv("https_proxy", proxy.url().toLatin1());
        QFile::remove(target());
        EXPECT_TRUE(runWorker(settingsOn(secure, "/f.bin")).succeeded) << extra.data();
        EXPECT_TRUE(fileContent() == content) << extra.data();
        QFile::remove(target());
        EXPECT_EQ(runWorker(settingsOn(secure, "/missing.bin")).failureReason, "404 Not Found");
        EXPECT_FALSE(QFile::exists(target()));
        EXPECT_EQ(proxy.tunnels(), 2);
    }
    qunsetenv("https_proxy");
}
