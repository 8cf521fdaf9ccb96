#include "platform/url_handover.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <sys/un.h>

namespace larkspur::platform {

namespace {

constexpr int AnswerMs = 3000;
constexpr qint64 MostBytes = 1 << 20; // far more than anyone types, less than a flood

QString socketPath(const QString& folder) {
    const QString absolute = QDir(folder).canonicalPath();
    const QString inFolder = absolute + QStringLiteral("/.larkspur.socket");
    if (QFile::encodeName(inFolder).size() < qsizetype(sizeof(sockaddr_un::sun_path)))
        return inFolder;
    const QByteArray name =
        QCryptographicHash::hash(QFile::encodeName(absolute), QCryptographicHash::Sha1).toHex();
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR", QDir::tempPath());
    return runtime + QStringLiteral("/larkspur-") + QString::fromLatin1(name);
}

} // namespace

UrlInbox::UrlInbox(const QString& folder, QObject* parent)
    : QObject(parent), server_(new QLocalServer(this)) {
    const QString path = socketPath(folder);
    QLocalServer::removeServer(path);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    server_->listen(path);
    connect(server_, &QLocalServer::newConnection, this, &UrlInbox::receive);
}

bool UrlInbox::listening() const {
    return server_->isListening();
}

// Each URL on a line of its own; the sender's close ends the message.
void UrlInbox::receive() {
    while (QLocalSocket* peer = server_->nextPendingConnection()) {
        peer->setParent(this);
        auto message = std::make_shared<QByteArray>();
        connect(peer, &QLocalSocket::readyRead, peer, [peer, message] {
            message->append(peer->readAll());
            if (message->size() > MostBytes)
                peer->abort();
        });
        connect(peer, &QLocalSocket::disconnected, this, [this, peer, message] {
            message->append(peer->readAll());
            peer->deleteLater();
            if (message->size() > MostBytes)
                return;
            QStringList urls;
            for (const QByteArray& line : message->split('\n'))
                if (const QString url = QString::fromUtf8(line).trimmed(); !url.isEmpty())
                    urls.append(url);
            emit arrived(urls);
        });
    }
}

bool handUrlsOver(const QString& folder, const QStringList& urls) {
    QLocalSocket socket;
    socket.connectToServer(socketPath(folder));
    if (!socket.waitForConnected(AnswerMs))
        return false;
    for (const QString& url : urls)
        socket.write(url.toUtf8() + '\n');
    if (socket.bytesToWrite() > 0 && !socket.waitForBytesWritten(AnswerMs))
        return false;
    socket.disconnectFromServer();
    return socket.state() == QLocalSocket::UnconnectedState || socket.waitForDisconnected(AnswerMs);
}

} // namespace larkspur::platform
