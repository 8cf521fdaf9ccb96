#pragma once

#include <QByteArray>
#include <QString>
#include <atomic>
#include <thread>

namespace larkspur::test {

// A proxy that serves CONNECT only, as https goes through one: it answers each request with
// "200 Connection established" plus `extraHeaders` (whole lines with their CR LF), then
// relays bytes both ways until either side closes. One tunnel at a time, on 127.0.0.1.
class ConnectProxy {
public:
    explicit ConnectProxy(QByteArray extraHeaders = {});
    ~ConnectProxy();
    ConnectProxy(const ConnectProxy&) = delete;
    ConnectProxy& operator=(const ConnectProxy&) = delete;

    // "http://127.0.0.1:PORT", as https_proxy takes it.
    QString url() const;
    int tunnels() const { return tunnels_.load(); }

private:
    void serve();
    void tunnel(int client);

    QByteArray extraHeaders_;
    int listener_ = -1;
    int wake_[2] = {-1, -1};
    std::uint16_t port_ = 0;
    std::atomic<int> tunnels_{0};
    std::thread thread_;
};

} // namespace larkspur::test
