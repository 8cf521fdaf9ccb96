#pragma once

#include <QProcess>
#include <QString>
#include <optional>

namespace larkspur::bench {

// Debian's nginx serving `root` on port 80 of its own loopback address, and with TLS on
// port 443 when given a certificate, for as long as this object lives. Paths under /slow/
// are sent at 8 KB/s.
class NginxServer {
public:
    struct Certificate {
        QString certificateFile;
        QString keyFile;
    };

    explicit NginxServer(const QString& root, std::optional<Certificate> tls = std::nullopt);
    ~NginxServer();
    NginxServer(const NginxServer&) = delete;
    NginxServer& operator=(const NginxServer&) = delete;

    static constexpr const char* Address = "127.0.0.80";
    QString url(const QString& path) const;
    QString secureUrl(const QString& path) const;
    // How many connections served requests whose user agent holds `agent`, so far.
    int connectionsOf(const QString& agent) const;

private:
    static void waitUntilListening(int port);

    QString state_; // the server's own files
    QProcess process_;
};

} // namespace larkspur::bench
