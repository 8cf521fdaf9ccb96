#include "tests/support/http_server.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
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

TestHttpServer::TestHttpServer(Script script) : script_(std::move(script)) {
    if (pipe(wake_) != 0)
        throw std::runtime_error("pipe failed");
    bindToOwnAddress();
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
    return QStringLiteral("http://") + host_ + path;
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
        address.sin_port = htons(80);
        inet_pton(AF_INET, host_.toLatin1().constData(), &address.sin_addr);
        if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            listen(listener_, 16) == 0)
            return;
        close(listener_);
    }
    throw std::runtime_error("no loopback address on port 80 (tests run as root)");
}

void TestHttpServer::serve() {
    while (!stopping_) {
        if (!waitFor(listener_, POLLIN, -1))
            return;
        const int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            continue;
        ++connections_;
        handle(client);
        close(client);
    }
}

void TestHttpServer::handle(int client) {
    QByteArray received;
    qsizetype headEnd = -1;
    char piece[4096];
    while ((headEnd = received.indexOf("\r\n\r\n")) < 0) {
        if (!waitFor(client, POLLIN, RequestTimeoutMs))
            return;
        const ssize_t count = recv(client, piece, sizeof piece, 0);
        if (count <= 0)
            return;
        received.append(piece, count);
    }
    RecordedRequest request = parseHead(received.left(headEnd));
    request.body = received.mid(headEnd + 4);
    const qint64 bodySize = request.header("Content-Length").value_or("0").toLongLong();
    while (request.body.size() < bodySize) {
        if (!waitFor(client, POLLIN, RequestTimeoutMs))
            return;
        const ssize_t count = recv(client, piece, sizeof piece, 0);
        if (count <= 0)
            return;
        request.body.append(piece, count);
    }
    Script script;
    {
        const std::lock_guard lock(mutex_);
        requests_.append(request);
        script = script_;
    }
    answer(client, script ? script(request) : ScriptedReply{404, "no script"});
}

void TestHttpServer::answer(int client, const ScriptedReply& reply) {
    if (reply.stallBeforeHeaders) {
        waitUntilClosed(client);
        return;
    }
    QByteArray head =
        "HTTP/1.1 " + QByteArray::number(reply.status) + " " + reasonFor(reply.status) + "\r\n";
    if (reply.length == ScriptedReply::Length::Announced)
        head +=
            "Content-Length: " + reply.lengthText.value_or(QByteArray::number(reply.body.size())) +
            "\r\n";
    if (reply.length == ScriptedReply::Length::Chunked)
        head += "Transfer-Encoding: chunked\r\n";
    for (const QByteArray& line : reply.headers)
        head += line + "\r\n";
    head += "Connection: close\r\n\r\n";
    if (!sendAll(client, head.constData(), head.size()))
        return;
    qint64 cut = reply.body.size();
    if (reply.dropAfter >= 0)
        cut = std::min(cut, reply.dropAfter);
    if (reply.stallAfter >= 0)
        cut = std::min(cut, reply.stallAfter);
    if (!sendBody(client, reply, reply.body.left(cut)))
        return;
    const bool stalls =
        reply.stallAfter >= 0 && (reply.dropAfter < 0 || reply.stallAfter < reply.dropAfter);
    const bool drops = !stalls && reply.dropAfter >= 0 && reply.dropAfter < reply.body.size();
    if (stalls)
        waitUntilClosed(client);
    else if (!drops && reply.length == ScriptedReply::Length::Chunked)
        sendAll(client, "0\r\n\r\n", 5);
}

bool TestHttpServer::sendBody(int client, const ScriptedReply& reply, const QByteArray& body) {
    const qint64 piece =
        reply.bytesPerSecond > 0 ? std::max(1, reply.bytesPerSecond / 10) : SendPiece;
    for (qint64 at = 0; at < body.size(); at += piece) {
        QByteArray part = body.mid(at, piece);
        if (reply.length == ScriptedReply::Length::Chunked)
            part = QByteArray::number(part.size(), 16) + "\r\n" + part + "\r\n";
        if (!sendAll(client, part.constData(), part.size()))
            return false;
        if (reply.bytesPerSecond > 0 && waitFor(wake_[0], POLLIN, 100))
            return false; // stopping
    }
    return true;
}

bool TestHttpServer::sendAll(int client, const char* data, qint64 size) {
    while (size > 0) {
        if (!waitFor(client, POLLOUT, RequestTimeoutMs))
            return false;
        const ssize_t sent = send(client, data, std::min(size, SendPiece), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
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
void TestHttpServer::waitUntilClosed(int client) {
    char piece[256];
    while (waitFor(client, POLLIN, -1))
        if (recv(client, piece, sizeof piece, 0) <= 0)
            return;
}

} // namespace larkspur::test
