#include <QDir>
#include <gtest/gtest.h>
#include <thread>

#include "framework/pooled_thread.h"

using larkspur::PooledThread;

namespace {

std::thread::id ranOn(const std::function<void()>& more = {}) {
    std::thread::id id;
    PooledThread thread;
    thread.start([&] {
        id = std::this_thread::get_id();
        if (more)
            more();
    });
    thread.join();
    EXPECT_FALSE(thread.joinable());
    return id;
}

qsizetype systemThreads() {
    return QDir(QStringLiteral("/proc/self/task"))
        .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
        .size();
}

} // namespace

TEST(PooledThread, ABodyDoneLeavesItsThreadToTheNextAndBodiesAtOnceRunApart) {
    ranOn();
    const qsizetype threads = systemThreads();
    for (int run = 0; run < 3; ++run)
        EXPECT_NE(ranOn(), std::this_thread::get_id());
    EXPECT_EQ(systemThreads(), threads);

    std::atomic<int> arrived{0};
    const auto meet = [&] {
        ++arrived;
        while (arrived.load() < 2)
            std::this_thread::yield();
    };
    PooledThread other;
    other.start(meet);
    ranOn(meet); // would wait forever on a thread that the other body holds
    other.join();
    EXPECT_EQ(arrived.load(), 2);
}
