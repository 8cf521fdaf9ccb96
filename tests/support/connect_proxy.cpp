#include "tests/support/connect_proxy.h"

#include <QList>

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace larkspur::test {

namespace {

int connectTo(const QByteArray& authority) {
    const qsizetype colon = authority.lastIndexOf(':');
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(authority.left(colon).constData(), authority.mid(colon + 1).constData(), &hints,
                    &found) != 0)
        return -1;
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (::connect(fd, found->ai_addr, found->ai_addrlen) != 0) {
        close(fd);
        freeaddrinfo(found);
        return -1;
    }
    freeaddrinfo(found);
    return fd;
}

// Moves what `from` has to `to`; false once `from` is closed.
bool relay(int from, int to) {
    char buffer[16384];
    const ssize_t got = read(from, buffer, sizeof buffer);
    return got > 0 && send(to, buffer, std::size_t(got), MSG_NOSIGNAL) == got;
}

QByteArray readHead(int fd) {
    QByteArray head;
    char c = 0;
    while (!head.endsWith("\r\n\r\n") && read(fd, &c, 1) == 1)
        head += c;
    return head;
}

} // namespace

ConnectProxy::ConnectProxy(QByteArray extraHeaders) : extraHeaders_(std::move(extraHeaders)) {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (bind(listener_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        listen(listener_, 8) != 0 || pipe(wake_) != 0)
        throw std::runtime_error("the proxy cannot listen");
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
}

ConnectProxy::~ConnectProxy() {
    [[maybe_unused]] const auto written = write(wake_[1], "x", 1);
    thread_.join();
    close(listener_);
    close(wake_[0]);
    close(wake_[1]);
}

QString ConnectProxy::url() const {
    return QStringLiteral("http://127.0.0.1:%1").arg(port_);
}

void ConnectProxy::serve() {
    for (;;) {
        pollfd watched[] = {{listener_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        poll(watched, 2, -1);
        if (watched[1].revents != 0)
            return;
        const int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client >= 0)
            tunnel(client);
    }
}

void ConnectProxy::tunnel(int client) {
    const QList<QByteArray> request = readHead(client).split(' ');
    const int server = request.value(0) == "CONNECT" ? connectTo(request.value(1)) : -1;
    const QByteArray reply =
        server < 0 ? QByteArray("HTTP/1.1 502 Bad Gateway\r\n\r\n")
                   : "HTTP/1.1 200 Connection established\r\n" + extraHeaders_ + "\r\n";
    send(client, reply.constData(), std::size_t(reply.size()), MSG_NOSIGNAL);
    ++tunnels_;
    for (bool open = server >= 0; open;) {
        pollfd ends[] = {{client, POLLIN, 0}, {server, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        poll(ends, 3, -1);
        if (ends[2].revents != 0)
            break;
        if (ends[0].revents != 0)
            open = relay(client, server);
        if (open && ends[1].revents != 0)
            open = relay(server, client);
    }
    if (server >= 0)
        close(server);
    close(client);
}

} // namespace larkspur::test
