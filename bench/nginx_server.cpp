#include "bench/nginx_server.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QThread>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace larkspur::bench {

namespace {

QString tlsLinesFor(const std::optional<NginxServer::Certificate>& tls) {
    if (!tls)
        return {};
    return QStringLiteral(R"(
        listen %1:443 ssl;
        ssl_certificate %2;
        ssl_certificate_key %3;)")
        .arg(QString::fromLatin1(NginxServer::Address), tls->certificateFile, tls->keyFile);
}

QString configFor(const QString& root, const QString& state,
                  const std::optional<NginxServer::Certificate>& tls) {
    return QStringLiteral(R"(daemon off;
master_process off;
user root;
error_log %2/error.log;
pid %2/nginx.pid;
events { worker_connections 64; }
http {
    log_format connections '$connection $http_user_agent';
    access_log %2/connections.log connections;
    client_body_temp_path %2/body;
    proxy_temp_path %2/proxy;
    fastcgi_temp_path %2/fastcgi;
    uwsgi_temp_path %2/uwsgi;
    scgi_temp_path %2/scgi;
    sendfile on;
    server {
        listen %3:80;%4
        root %1;
        location /slow/ { limit_rate 8k; }
    }
}
)")
        .arg(root, state, QString::fromLatin1(NginxServer::Address), tlsLinesFor(tls));
}

} // namespace

NginxServer::NginxServer(const QString& root, std::optional<Certificate> tls)
    : state_(root + QStringLiteral("/.nginx")) {
    const QString& state = state_;
    QDir().mkpath(state);
    QFile config(state + QStringLiteral("/nginx.conf"));
    if (!config.open(QIODevice::WriteOnly) ||
        config.write(configFor(root, state, tls).toUtf8()) < 0)
        throw std::runtime_error("cannot write the nginx configuration");
    config.close();
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(QStringLiteral("nginx"),
                   {QStringLiteral("-p"), state, QStringLiteral("-e"),
                    state + QStringLiteral("/error.log"), QStringLiteral("-c"), config.fileName()});
    if (!process_.waitForStarted())
        throw std::runtime_error("cannot start nginx (apt-get install nginx-light)");
    waitUntilListening(80);
    if (tls)
        waitUntilListening(443);
}

NginxServer::~NginxServer() {
    process_.terminate();
    if (!process_.waitForFinished(5000))
        process_.kill();
    process_.waitForFinished();
}

int NginxServer::connectionsOf(const QString& agent) const {
    QFile log(state_ + QStringLiteral("/connections.log"));
    if (!log.open(QIODevice::ReadOnly))
        return 0;
    QSet<QByteArray> connections;
    while (!log.atEnd()) {
        const QByteArray line = log.readLine().trimmed();
        const qsizetype blank = line.indexOf(' ');
        if (blank > 0 && line.mid(blank + 1).contains(agent.toUtf8()))
            connections.insert(line.left(blank));
    }
    return int(connections.size());
}

QString NginxServer::url(const QString& path) const {
    return QStringLiteral("http://") + QString::fromLatin1(Address) + path;
}

QString NginxServer::secureUrl(const QString& path) const {
    return QStringLiteral("https://") + QString::fromLatin1(Address) + path;
}

void NginxServer::waitUntilListening(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    inet_pton(AF_INET, Address, &address.sin_addr);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const int probe = socket(AF_INET, SOCK_STREAM, 0);
        const bool up =
            ::connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        close(probe);
        if (up)
            return;
        QThread::msleep(50);
    }
    throw std::runtime_error("nginx does not listen");
}

} // namespace larkspur::bench
