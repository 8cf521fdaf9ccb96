#pragma once

#include <QProcess>
#include <QString>

namespace larkspur::bench {

// Debian's nginx serving `root` on port 80 of its own loopback address, for as long as
// this object lives. Paths under /slow/ are sent at 8 KB/s.
class NginxServer {
public:
    explicit NginxServer(const QString& root);
    ~NginxServer();
    NginxServer(const NginxServer&) = delete;
    NginxServer& operator=(const NginxServer&) = delete;

    static constexpr const char* Address = "127.0.0.80";
    QString url(const QString& path) const;

private:
    void waitUntilListening() const;

    QProcess process_;
};

} // namespace larkspur::bench
