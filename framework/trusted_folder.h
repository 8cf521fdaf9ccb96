#pragma once

#include <QByteArray>
#include <QString>
#include <sys/stat.h>

namespace larkspur {

// Whether a symbolic link may be followed: it belongs to the running user or to root, and
// no other user can replace it, as its folder belongs to one of them too and neither group
// nor others may write there.
bool isTrustedLink(const struct stat& link, const struct stat& folder);

// A folder reached component by component without following any link but trusted ones,
// so that another user who can write a folder on the path cannot send the files made in
// it elsewhere by swapping a component for a link. Everything done in the folder is then
// done relative to its descriptor.
class TrustedFolder {
public:
    TrustedFolder() = default;
    ~TrustedFolder();
    TrustedFolder(const TrustedFolder&) = delete;
    TrustedFolder& operator=(const TrustedFolder&) = delete;

    // 0, the errno value of the failure, or UntrustedLink (see atomic_file.h) with
    // `refused` set to the path up to the link that was not followed.
    int open(const QString& path, QString& refused);
    void close();
    bool isOpen() const { return fd_ >= 0; }
    int descriptor() const { return fd_; }

private:
    int walk(const QByteArray& path, QString& refused);

    int fd_ = -1;
};

} // namespace larkspur
