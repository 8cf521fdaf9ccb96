#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;

namespace larkspur::platform {

// Where the copy of the program that works in a folder listens for the URLs of a later
// start in the same folder: a local socket that only this user may reach, in the folder
// (or, when its path is too long for a socket, in the user's runtime folder).
class UrlInbox : public QObject {
    Q_OBJECT
public:
    // Listens at once; a socket a crashed copy left is replaced. The caller holds the
    // folder's lock, so no other copy listens there.
    explicit UrlInbox(const QString& folder, QObject* parent = nullptr);

    bool listening() const;

signals:
    // A later start's URLs (none when it only wants the window brought forward).
    void arrived(const QStringList& urls);

private:
    void receive();
    QLocalServer* server_;
};

// Hands `urls` to the copy that works in `folder`: false when none listens there.
bool handUrlsOver(const QString& folder, const QStringList& urls);

} // namespace larkspur::platform
