#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/folder_lock.h"

using larkspur::platform::FolderLock;

// The lock must be the running user's own regular file: another user's lets that user hold
// the folder or pose as its lock, and the program names the owner and stops.
TEST(FolderLock, OnlyALockFileOfOnesOwnIsTaken) {
    const std::pair<uid_t, FolderLock::State> cases[] = {{::geteuid(), FolderLock::State::Held},
                                                         {65534, FolderLock::State::Foreign}};
    for (const auto& [owner, state] : cases) {
        const QTemporaryDir folder;
        const QByteArray file = QFile::encodeName(folder.filePath(FolderLock::FileName));
        QFile(QFile::decodeName(file)).open(QIODevice::WriteOnly);
        ASSERT_EQ(::chown(file.constData(), owner, gid_t(-1)), 0);
        const FolderLock lock(folder.path());
        EXPECT_EQ(lock.state(), state) << owner;
        EXPECT_EQ(lock.owner(), state == FolderLock::State::Foreign ? owner : 0u);
    }
}
