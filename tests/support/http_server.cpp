#include "tests/support/http_server.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <netinet/in.h>
#include <poll.h>
#include <pthread.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace larkspur::test {

namespace {

constexpr int RequestTimeoutMs = 10'000;
constexpr qint64 SendPiece = 64 * 1024;

QByteArray reasonFor(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 206:
        return "Partial Content";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 401:
        return "Unauthorized";
    case 404:
        return "Not Found";
    case 416:
        return "Range Not Satisfiable";
    default:
        return "Status";
    }
}

std::optional<qint64> requestedRangeStart(const RecordedRequest& request) {
    const auto range = request.header("Range");
    if (!range || !range->startsWith("bytes=") || !range->endsWith('-'))
        return std::nullopt;
    bool ok = false;
    const qint64 start = range->mid(6, range->size() - 7).toLongLong(&ok);
    return ok ? std::optional(start) : std::nullopt;
}

RecordedRequest parseHead(const QByteArray& head) {
    RecordedRequest request;
    const QList<QByteArray> lines = head.split('\n');
    const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
    request.method = first.value(0);
    request.target = first.value(1);
    request.version = first.value(2);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines.at(i).trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon > 0)
            request.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
    }
    return request;
}

// A write to a client that went away fails with EPIPE instead of ending the tests. TLS
// writes through the socket itself, so the signal is blocked on the serving thread.
void blockBrokenPipeSignal() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

} // namespace

std::optional<QByteArray> RecordedRequest::header(const QByteArray& name) const {
    for (const auto& [key, value] : headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return std::nullopt;
}

ScriptedReply fileReply(const QByteArray& content, const RecordedRequest& request,
                        bool honourRange) {
    ScriptedReply reply;
    const auto start = honourRange ? requestedRangeStart(request) : std::nullopt;
    if (!start) {
        reply.body = content;
        return reply;
    }
    if (*start >= content.size()) {
        reply.status = 416;
        reply.headers.append("Content-Range: bytes */" + QByteArray::number(content.size()));
        return reply;
    }
    reply.status = 206;
    reply.body = content.mid(*start);
    reply.headers.append("Content-Range: bytes " + QByteArray::number(*start) + "-" +
                         QByteArray::number(content.size() - 1) + "/" +
                         QByteArray::number(content.size()));
    return reply;
}

TestHttpServer::TestHttpServer(Script script, ServerOptions options)
    : options_(std::move(options)), script_(std::move(script)) {
    if (pipe(wake_) != 0)
        throw std::runtime_error("pipe failed");
    bindToOwnAddress();
    if (options_.certificate)
        tls_ = std::make_unique<TlsServerContext>(options_.certificate(host_));
    thread_ = std::thread([this] { serve(); });
}

TestHttpServer::~TestHttpServer() {
    stopping_ = true;
    [[maybe_unused]] const auto written = write(wake_[1], "x", 1);
    thread_.join();
    close(listener_);
    close(wake_[0]);
    close(wake_[1]);
}

void TestHttpServer::setScript(Script script) {
    const std::lock_guard lock(mutex_);
    script_ = std::move(script);
}

void TestHttpServer::serveFile(const QByteArray& content, bool honourRange) {
    setScript([content, honourRange](const RecordedRequest& request) {
        return fileReply(content, request, honourRange);
    });
}

QString TestHttpServer::url(const QString& path) const {
    const bool secure = options_.certificate != nullptr;
    QString origin = (secure ? QStringLiteral("https://") : QStringLiteral("http://")) + host_;
    if (options_.port != (secure ? 443 : 80))
        origin += QLatin1Char(':') + QString::number(options_.port);
    return origin + path;
}

QList<RecordedRequest> TestHttpServer::requests() const {
    const std::lock_guard lock(mutex_);
    return requests_;
}

// Addresses follow the process id, so parallel test processes never meet; a taken one
// is skipped.
void TestHttpServer::bindToOwnAddress() {
    static std::atomic<unsigned> made{0};
    const unsigned base = (unsigned(getpid()) & 0x3FFFFF) << 2;
    for (unsigned attempt = 0; attempt < 64; ++attempt) {
        const unsigned n = base + made++ + attempt * 0x10000;
        const unsigned a = 1 + ((n >> 16) % 254);
        host_ = QStringLiteral("127.%1.%2.%3").arg(a).arg((n >> 8) & 0xFF).arg(n & 0xFF);
        listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int on = 1;
        setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(options_.port);
        inet_pton(AF_INET, host_.toLatin1().constData(), &address.sin_addr);
        if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            listen(listener_, 16) == 0)
            return;
        close(listener_);
    }
    throw std::runtime_error("no loopback address for the test server (tests run as root)");
}

void TestHttpServer::serve() {
    blockBrokenPipeSignal();
    while (!stopping_) {
        if (!waitFor(listener_, POLLIN, -1))
            return;
        const int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (client < 0)
            continue;
        ++connections_;
        ClientLink link(client, tls_.get());
        qint64 done = 0;
        if (!complete(
                link, [&] { return link.handshake(); }, done, RequestTimeoutMs))
            continue;
        bool answered = handle(link);
        while (answered && keepAliveMs_ > 0 && waitFor(link.socket(), POLLIN, keepAliveMs_))
            answered = handle(link); // the next request on the same connection
        if (answered)
            link.finish();
    }
}

bool TestHttpServer::handle(ClientLink& link) {
    if (!reading_) {
        // Unread, the client's sending stalls; a closing client whose data is still
        // queued may never be seen, so reading again also drops the connection.
        while (!reading_ && !stopping_ && !waitFor(link.socket(), POLLRDHUP, 50)) {
        }
        return false;
    }
    QByteArray received;
    qsizetype headEnd = -1;
    while ((headEnd = received.indexOf("\r\n\r\n")) < 0)
        if (!receiveSome(link, received, RequestTimeoutMs))
            return false;
    RecordedRequest request = parseHead(received.left(headEnd));
    request.body = received.mid(headEnd + 4);
    const qint64 bodySize = request.header("Content-Length").value_or("0").toLongLong();
    while (request.body.size() < bodySize)
        if (!receiveSome(link, request.body, RequestTimeoutMs))
            return false;
    Script script;
    {
        const std::lock_guard lock(mutex_);
        requests_.append(request);
        script = script_;
    }
    return answer(link, script ? script(request) : ScriptedReply{404, "no script"});
}

bool TestHttpServer::answer(ClientLink& link, const ScriptedReply& reply) {
    if (reply.stallBeforeHeaders) {
        waitUntilClosed(link);
        return false;
    }
    QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) + " " +
                      reply.phrase.value_or(reasonFor(reply.status)) + "\r\n";
    if (reply.length == ScriptedReply::Length::Announced)
        head +=
            "Content-Length: " + reply.lengthText.value_or(QByteArray::number(reply.body.size())) +
            "\r\n";
    if (reply.length == ScriptedReply::Length::Chunked)
        head += "Transfer-Encoding: chunked\r\n";
    for (const QByteArray& line : reply.headers)
        head += line + "\r\n";
    head += keepAliveMs_ > 0 ? "\r\n" : "Connection: close\r\n\r\n";
    if (!sendAll(link, head.constData(), head.size()))
        return false;
    qint64 cut = reply.body.size();
    if (reply.dropAfter >= 0)
        cut = std::min(cut, reply.dropAfter);
    if (reply.stallAfter >= 0)
        cut = std::min(cut, reply.stallAfter);
    if (!sendBody(link, reply, reply.body.left(cut)))
        return false;
    const bool stalls =
        reply.stallAfter >= 0 && (reply.dropAfter < 0 || reply.stallAfter < reply.dropAfter);
    const bool drops = !stalls && reply.dropAfter >= 0 && reply.dropAfter < reply.body.size();
    if (stalls) {
        waitUntilClosed(link);
        return false;
    }
    if (drops)
        return false;
    return reply.length != ScriptedReply::Length::Chunked || sendAll(link, "0\r\n\r\n", 5);
}

bool TestHttpServer::sendBody(ClientLink& link, const ScriptedReply& reply,
                              const QByteArray& body) {
    const int pauseMs = reply.msPerByte > 0 ? reply.msPerByte : 100;
    const qint64 piece = reply.msPerByte > 0        ? 1
                         : reply.bytesPerSecond > 0 ? std::max(1, reply.bytesPerSecond / 10)
                                                    : SendPiece;
    for (qint64 at = 0; at < body.size(); at += piece) {
        QByteArray part = body.mid(at, piece);
        if (reply.length == ScriptedReply::Length::Chunked)
            part = QByteArray::number(part.size(), 16) + "\r\n" + part + "\r\n";
        if (!sendAll(link, part.constData(), part.size()))
            return false;
        if ((reply.bytesPerSecond > 0 || reply.msPerByte > 0) && waitFor(wake_[0], POLLIN, pauseMs))
            return false; // stopping
    }
    return true;
}

// Repeats `step` until it moves bytes; false when the link closed or failed, the wait
// timed out or the server stops.
bool TestHttpServer::complete(ClientLink& link, const std::function<ClientLink::Step()>& step,
                              qint64& moved, int timeoutMs) {
    for (;;) {
        const ClientLink::Step result = step();
        if (result.count > 0) {
            moved = result.count;
            return true;
        }
        if (result.waitFor == 0 || !waitFor(link.socket(), result.waitFor, timeoutMs))
            return false;
    }
}

bool TestHttpServer::receiveSome(ClientLink& link, QByteArray& into, int timeoutMs) {
    char piece[4096];
    qint64 count = 0;
    if (!complete(
            link, [&] { return link.receive(piece, sizeof piece); }, count, timeoutMs))
        return false;
    into.append(piece, count);
    return true;
}

bool TestHttpServer::sendAll(ClientLink& link, const char* data, qint64 size) {
    while (size > 0) {
        qint64 sent = 0;
        const qint64 piece = std::min(size, SendPiece);
        if (!complete(
                link, [&] { return link.send(data, piece); }, sent, RequestTimeoutMs))
            return false;
        data += sent;
        size -= sent;
    }
    return true;
}

// True when `fd` is ready; false on time-out, on stop, or when the wake pipe fired.
bool TestHttpServer::waitFor(int fd, short events, int timeoutMs) {
    pollfd fds[2] = {{fd, events, 0}, {wake_[0], POLLIN, 0}};
    const int count = fd == wake_[0] ? 1 : 2;
    for (;;) {
        if (stopping_ && fd != wake_[0])
            return false;
        const int ready = poll(fds, nfds_t(count), timeoutMs);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0 || (count == 2 && fds[1].revents))
            return false;
        return fds[0].revents != 0;
    }
}

// A silent server: holds the connection until the client gives up or the server stops.
void TestHttpServer::waitUntilClosed(ClientLink& link) {
    QByteArray ignored;
    while (receiveSome(link, ignored, -1))
        ignored.clear();
}

} // namespace larkspur::test
