#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/folder_lock.h"

using larkspur::platform::FolderLock;

namespace {

TEST(FolderLock, OneCopyPerFolderUntilTheHolderEndsHoweverItEnds) {
    QTemporaryDir dir;
    std::optional<FolderLock> first(std::in_place, dir.path());
    EXPECT_EQ(first->state(), FolderLock::State::Held);
    EXPECT_EQ(FolderLock(dir.path()).state(), FolderLock::State::HeldElsewhere);
    first.reset();

    const pid_t holder = ::fork(); // a copy that takes the folder and is killed
    if (holder == 0) {
        const FolderLock lock(dir.path());
        ::pause();
        ::_exit(0);
    }
    while (FolderLock(dir.path()).state() == FolderLock::State::Held)
        ::usleep(1000);
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    EXPECT_EQ(FolderLock(dir.path()).state(), FolderLock::State::Held);
}

} // namespace
