#include "app/working_folder.h"

#include <QDir>
#include <QWidget>
#include <cstdio>

#include "framework/error_box.h"
#include "platform/data_folder.h"
#include "platform/file_owner.h"
#include "platform/folder_lock.h"
#include "platform/url_handover.h"

namespace {

void sayWhy(const QString& message) {
    std::fprintf(stderr, "larkspur: %s\n", message.toLocal8Bit().constData());
    larkspur::showErrorBox(message);
}

} // namespace

bool enterDataFolder() {
    const larkspur::platform::DataFolder folder =
        larkspur::platform::prepareDataFolder(QDir::homePath(), larkspur::platform::userDataHome());
    if (folder.failure.isEmpty() && QDir::setCurrent(folder.path))
        return true;
    sayWhy(QStringLiteral("Larkspur cannot keep its files in \"%1\": %2")
               .arg(folder.path, folder.failure.isEmpty() ? QStringLiteral("it cannot be entered")
                                                          : folder.failure));
    return false;
}

// Two copies in one working folder would fetch into the same files at once.
FolderClaim claimWorkingFolder(const larkspur::platform::FolderLock& lock,
                               const QStringList& urls) {
    const QString folder = QDir::currentPath();
    switch (lock.state()) {
    case larkspur::platform::FolderLock::State::Held:
        return FolderClaim::Ours;
    case larkspur::platform::FolderLock::State::HeldElsewhere:
        if (larkspur::platform::handUrlsOver(folder, urls))
            return FolderClaim::HandedOver;
        sayWhy(QStringLiteral("Another copy of Larkspur is already running in the folder \"%1\"; "
                              "this one closes without touching its files.")
                   .arg(folder));
        return FolderClaim::Refused;
    case larkspur::platform::FolderLock::State::Foreign:
        sayWhy(QStringLiteral("The lock file \"%1/%2\" belongs to %3, not to this user; this copy "
                              "closes without touching any file.")
                   .arg(folder, larkspur::platform::FolderLock::FileName,
                        larkspur::platform::userName(lock.owner())));
        return FolderClaim::Refused;
    case larkspur::platform::FolderLock::State::Unavailable:
        std::fprintf(stderr,
                     "larkspur: cannot lock the folder \"%s\"; another copy may run there\n",
                     folder.toLocal8Bit().constData());
        return FolderClaim::Ours;
    }
    return FolderClaim::Ours;
}

void bringForward(QWidget& window) {
    window.showNormal();
    window.raise();
    window.activateWindow();
}
