#include "platform/file_owner.h"

#include <QFile>
#include <pwd.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace larkspur::platform {

bool isForeignToRoot(const QString& path) {
    struct stat info {};
    if (::geteuid() != 0 || ::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    return S_ISLNK(info.st_mode) || info.st_uid != 0;
}

QString userName(uid_t uid) {
    const passwd* entry = ::getpwuid(uid);
    return entry ? QString::fromLocal8Bit(entry->pw_name) : QString::number(uid);
}

void forbidCoreDumps() {
    ::prctl(PR_SET_DUMPABLE, 0);
}

} // namespace larkspur::platform
