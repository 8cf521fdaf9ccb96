#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "testtls/client_link.h"
#include "testtls/test_certificates.h"

namespace larkspur::test {

struct RecordedRequest {
    QByteArray method;
    QByteArray target;
    QByteArray version;
    QList<std::pair<QByteArray, QByteArray>> headers;
    QByteArray body;

    // The value of header `name` (compared without case); none when absent.
    std::optional<QByteArray> header(const QByteArray& name) const;
};

// How the server answers one request.
struct ScriptedReply {
    enum class Length { Announced, Omitted, Chunked };

    ScriptedReply(int status = 200, QByteArray body = {}) : status(status), body(std::move(body)) {}

    int status;
    QByteArray body;
    Length length = Length::Announced;
    std::optional<QByteArray> lengthText; // sent as the length instead of the true one
    QList<QByteArray> headers;            // further header lines, without line ends
    std::optional<QByteArray> phrase;     // the status line's words instead of the usual ones
    qint64 dropAfter = -1;                // close after this many body bytes
    qint64 stallAfter = -1;               // fall silent after this many body bytes
    bool stallBeforeHeaders = false;      // accept the request, then say nothing
    int bytesPerSecond = 0;               // trickle the body at this rate; 0: at once
    int msPerByte = 0;                    // or one byte every so many milliseconds
};

// `content` as a static file server sends it: with "Range: bytes=N-" in the request and
// `honourRange` set, a 206 from N on (416 when N is past the end); else a 200.
ScriptedReply fileReply(const QByteArray& content, const RecordedRequest& request,
                        bool honourRange = true);

struct ServerOptions {
    std::uint16_t port = 80;
    // Set: the server speaks TLS with the certificate this makes for its address.
    std::function<TlsIdentity(const QString& host)> certificate;
};

// A scripted HTTP server on a port (80 unless told) of a loopback address of its own
// (127.x.y.z, chosen from the process id), so that test processes run side by side.
// One connection at a time, each closed after its answer. Needs root for low ports.
class TestHttpServer {
public:
    using Script = std::function<ScriptedReply(const RecordedRequest&)>;

    explicit TestHttpServer(Script script = {}, ServerOptions options = {});
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    void setScript(Script script);
    // When cleared, the server accepts a connection but reads nothing from it until the
    // client gives up or reading is set again, so that a client sending a large body
    // has to wait.
    void setReading(bool reading) { reading_ = reading; }
    // With a time above 0, answers keep the connection open for the next request as long
    // as one comes within that many milliseconds; else each answer closes it.
    void setKeepAlive(int idleMs) { keepAliveMs_ = idleMs; }
    // Serves `content` as a file, honouring or ignoring Range.
    void serveFile(const QByteArray& content, bool honourRange = true);

    QString host() const { return host_; }
    // "http://host" (or "https://host", with ":port" where not the scheme's) + path;
    // path begins with "/".
    QString url(const QString& path) const;
    QList<RecordedRequest> requests() const;
    int connectionCount() const { return connections_.load(); }

private:
    void bindToOwnAddress();
    void serve();
    // True when the answer went out whole.
    bool handle(ClientLink& link);
    bool answer(ClientLink& link, const ScriptedReply& reply);
    bool complete(ClientLink& link, const std::function<ClientLink::Step()>& step, qint64& moved,
                  int timeoutMs);
    bool receiveSome(ClientLink& link, QByteArray& into, int timeoutMs);
    bool sendAll(ClientLink& link, const char* data, qint64 size);
    bool sendBody(ClientLink& link, const ScriptedReply& reply, const QByteArray& body);
    bool waitFor(int fd, short events, int timeoutMs);
    void waitUntilClosed(ClientLink& link);

    ServerOptions options_;
    std::unique_ptr<TlsServerContext> tls_;
    int listener_ = -1;
    int wake_[2] = {-1, -1};
    QString host_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> reading_{true};
    std::atomic<int> keepAliveMs_{0};
    std::atomic<int> connections_{0};
    mutable std::mutex mutex_;
    Script script_;
    QList<RecordedRequest> requests_;
    std::thread thread_;
};

} // namespace larkspur::test
