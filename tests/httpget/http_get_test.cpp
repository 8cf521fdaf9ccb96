#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMetaProperty>
#include <QTimer>

#include "tests/support/qt_printers.h"

#include "framework/errors.h"
#include "httpget/http_get.h"
#include "tests/httpget/transfer_fixture.h"
#include "tests/support/error_box_recorder.h"

using namespace larkspur;
using namespace larkspur::test;

namespace {

// The component with every event recorded.
class Component : public TransferFixture {
protected:
    void SetUp() override {
        get->URL = server.url("/f.bin");
        get->FileName = target();
        get->OnProgress = [this](QObject* sender, std::int64_t, std::int64_t readed) {
            progressSender = sender;
            lastReaded = readed;
        };
        get->OnDoneFile = [this](QObject* sender, const QString& name, std::int64_t size) {
            events.append(QStringLiteral("done %1 %2").arg(QFileInfo(name).fileName()).arg(size));
            eventSender = sender;
        };
        get->OnError = [this](QObject* sender) {
            events.append("error");
            eventSender = sender;
        };
    }

    void TearDown() override {
        waitUntil([this] { return !get || !get->busy(); });
    }

    void serveSlowly(int size = 40000) {
        ScriptedReply slow{200, QByteArray(size, 's')};
        slow.bytesPerSecond = 20000;
        server.setScript([slow](const RecordedRequest&) { return slow; });
    }

    // Waits for the network end only when asked to stop.
    std::unique_ptr<platform::HttpClientFactory> patient = platform::makeCurlHttpClientFactory();
    QObject owner;
    THTTPGet* get = new THTTPGet(&owner, *patient);
    QStringList events;
    QObject* eventSender = nullptr;
    QObject* progressSender = nullptr;
    std::int64_t lastReaded = 0;
};

} // namespace

TEST_F(Component, StartsWithItsPublishedDefaults) {
    THTTPGet fresh(&owner, *http);
    QStringList published;
    const QMetaObject* meta = fresh.metaObject();
    for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i)
        published.append(QStringLiteral("%1=%2").arg(meta->property(i).name(),
                                                     meta->property(i).read(&fresh).toString()));
    EXPECT_EQ(published.join(' '), "AcceptTypes=*/* Agent=Corvane HTTPGet BinaryData=false URL= "
                                   "UseCache=false FileName= UserName= Password= PostQuery= "
                                   "Referer= WaitThread=false ResumeDownload=true");
    EXPECT_EQ(fresh.parent(), &owner);
    EXPECT_FALSE(fresh.busy());
    EXPECT_FALSE(fresh.OnProgress || fresh.OnDoneFile || fresh.OnDoneString || fresh.OnError);
}

TEST_F(Component, WaitingGetFileReturnsAfterTheOutcomeWithTheWholeSize) {
    const QByteArray content(12000, 'c');
    writeFile(content.left(9000));
    server.serveFile(content);
    get->WaitThread = true;
    get->GetFile();
    EXPECT_EQ(events, QStringList({"done f.bin 12000"}));
    EXPECT_EQ(eventSender, get);
    EXPECT_NE(progressSender, get); // progress comes from the worker
    EXPECT_TRUE(get->LastSucceeded);
    EXPECT_FALSE(get->busy());
}

TEST_F(Component, WithoutWaitingTheOutcomeArrivesThroughTheEventLoop) {
    server.serveFile("abc");
    get->GetFile();
    EXPECT_TRUE(get->busy());
    EXPECT_TRUE(events.isEmpty());
    waitUntil([this] { return !events.isEmpty(); });
    EXPECT_EQ(events, QStringList({"done f.bin 3"}));
}

TEST_F(Component, ARefusedGetFileStartsNothingAndSparesTheRunningFile) {
    serveSlowly();
    get->GetFile();
    waitUntil([this] { return lastReaded > 0; }); // the running file is there, in its block
    get->ResumeDownload = false;
    get->GetFile(); // same file: it must survive
    writeFile("old", "other.bin");
    get->FileName = target("other.bin");
    get->GetFile(); // another file: removed as asked, nothing started
    EXPECT_FALSE(QFileInfo::exists(target("other.bin")));
    EXPECT_TRUE(QFileInfo::exists(target()));
    get->Abort();
    waitUntil([this] { return !get->busy(); });
    EXPECT_EQ(events, QStringList({"error"}));
    EXPECT_EQ(server.requests().size(), 1);
    EXPECT_EQ(QFileInfo(target()).size(), lastReaded); // a stop writes out what was reported
}

TEST_F(Component, ClearResumeDownloadFetchesTheWholeFileAgain) {
    writeFile(QByteArray(9000, 'o'));
    server.serveFile(QByteArray(6000, 'n'));
    get->ResumeDownload = false;
    get->WaitThread = true;
    get->GetFile();
    EXPECT_EQ(server.requests().value(0).header("Range"), std::nullopt);
    EXPECT_EQ(fileContent(), QByteArray(6000, 'n'));
}

TEST_F(Component, AbortStopsTheTransferWithAnError) {
    get->Abort(); // nothing runs: nothing happens
    EXPECT_TRUE(events.isEmpty());

    serveSlowly();
    get->WaitThread = true;
    get->OnProgress = [this](QObject*, std::int64_t, std::int64_t) { get->Abort(); };
    get->GetFile();
    EXPECT_EQ(events, QStringList({"error"}));
    EXPECT_FALSE(get->LastSucceeded);

    events.clear();
    QFile::remove(target());
    get->WaitThread = false;
    get->GetFile();
    get->Abort(); // before the worker got anywhere
    waitUntil([this] { return !events.isEmpty(); });
    EXPECT_EQ(events, QStringList({"error"}));
    EXPECT_EQ(QFileInfo(target()).size(), 0);
}

TEST_F(Component, HandlersAreTakenWhenTheTransferStartsOrEnds) {
    server.serveFile(QByteArray(5000, 'h'));
    get->GetFile();
    int lateProgress = 0;
    get->OnProgress = [&](QObject*, std::int64_t, std::int64_t) { ++lateProgress; };
    QStringList late;
    get->OnDoneFile = [&](QObject*, const QString&, std::int64_t) { late.append("late done"); };
    waitUntil([&] { return !late.isEmpty(); });
    EXPECT_EQ(lateProgress, 0);
    EXPECT_EQ(lastReaded, 5000);
    EXPECT_TRUE(events.isEmpty());
}

TEST_F(Component, AFailingOutcomeHandlerIsShownAndLeavesTheComponentIdle) {
    ErrorBoxRecorder box;
    server.serveFile("abc");
    get->WaitThread = true;
    get->OnDoneFile = [](QObject*, const QString&, std::int64_t) { throw Error("log full"); };
    get->GetFile(); // must return
    EXPECT_EQ(box.messages, QStringList({"log full."}));
    EXPECT_FALSE(get->busy());
    get->OnProgress = [](QObject*, std::int64_t, std::int64_t) { throw Error("bar broke"); };
    QFile::remove(target());
    get->GetFile();
    EXPECT_EQ(events, QStringList({"error"}));
}

TEST_F(Component, ADestroyedComponentIsNeverReachedByItsWorker) {
    serveSlowly();
    get->GetFile();
    waitUntil([this] { return lastReaded > 0; });
    delete get;
    get = nullptr;
    lastReaded = 0;
    // The worker stops at its next check and frees itself without a word to anyone.
    QTest::qWait(1000);
    EXPECT_EQ(lastReaded, 0);
    EXPECT_TRUE(events.isEmpty());
}

TEST_F(Component, AQuitRequestDuringTheWaitStopsTheTransferAndEndsTheLoop) {
    serveSlowly(400000);
    get->WaitThread = true;
    get->OnProgress = [](QObject*, std::int64_t, std::int64_t) { QCoreApplication::quit(); };
    QTimer::singleShot(0, get, [this] { get->GetFile(); });
    QElapsedTimer clock;
    clock.start();
    QCoreApplication::exec();
    EXPECT_EQ(events, QStringList({"error"}));
    EXPECT_LT(clock.elapsed(), 10'000);
}

TEST_F(Component, StopEndsAWaitForTheNetworkWithinASecond) {
    ScriptedReply mute;
    mute.stallBeforeHeaders = true;
    ScriptedReply stalled{200, QByteArray(100000, 's')};
    stalled.stallAfter = 10000;
    const std::pair<const char*, std::function<void()>> stages[] = {
        {"send",
         [&] {
             server.setReading(false);
             get->PostQuery = QString(6 << 20, 'p'); // more than the socket buffers take
         }},
        {"headers", [&] { server.setScript([&](const RecordedRequest&) { return mute; }); }},
        {"body", [&] { server.setScript([&](const RecordedRequest&) { return stalled; }); }},
    };
    for (const auto& [stage, stall] : stages) {
        server.setReading(true);
        get->PostQuery.clear();
        stall();
        events.clear();
        QFile::remove(target());
        get->GetFile();
        QTest::qWait(1000); // the worker is waiting for the line now
        QElapsedTimer clock;
        clock.start();
        get->Abort();
        waitUntil([this] { return !events.isEmpty(); });
        EXPECT_LT(clock.elapsed(), 1000) << stage;
        EXPECT_EQ(events, QStringList({"error"})) << stage;
    }
    EXPECT_EQ(QFileInfo(target()).size(), 10000); // what arrived is kept
}

TEST_F(Component, AnOutcomeHandlerMayDestroyTheComponent) {
    for (const int status : {200, 404}) {
        server.setScript([status](const RecordedRequest&) { return ScriptedReply{status, "x"}; });
        const auto destroy = [this] {
            delete get;
            get = nullptr;
        };
        get->OnDoneFile = [destroy](QObject*, const QString&, std::int64_t) { destroy(); };
        get->OnError = [destroy](QObject*) { destroy(); };
        get->WaitThread = true;
        QFile::remove(target());
        get->GetFile();
        EXPECT_EQ(get, nullptr) << status;
        get = new THTTPGet(&owner, *patient);
    }
}

// At full speed each chunk is still reported once, in order, after it reached the file,
// while the window's timers and Stop keep working.
TEST_F(Component, AFastTransferReportsEveryChunkAndTheGuiStaysResponsive) {
    const QByteArray content(48 << 20, 'f');
    server.serveFile(content);
    QList<std::int64_t> readeds;
    bool fileKeptUp = true;
    get->OnProgress = [&](QObject*, std::int64_t, std::int64_t readed) {
        if (readeds.size() % 64 == 0) { // the file holds what has been reported, bar a block
            const std::int64_t missing = readed - QFileInfo(target()).size();
            fileKeptUp =
                fileKeptUp && missing >= 0 && missing < std::int64_t(BlockWriter::BlockSize);
        }
        readeds.append(readed);
    };
    get->WaitThread = true;
    QElapsedTimer clock;
    qint64 lastTick = 0;
    qint64 longestGap = 0;
    qint64 abortedAt = -1;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, clock.elapsed() - lastTick);
        lastTick = clock.elapsed();
        if (abortedAt < 0 && !readeds.isEmpty() && readeds.last() > (8 << 20)) {
            abortedAt = lastTick; // Stop pressed a sixth of the way in
            get->Abort();
        }
    });
    ticker.start(10);
    clock.start();
    get->GetFile();
    const qint64 ended = clock.elapsed();

    EXPECT_EQ(events, QStringList({"error"}));
    EXPECT_GE(abortedAt, 0);
    EXPECT_LT(ended - abortedAt, 100);
    EXPECT_LT(longestGap, 100);
    EXPECT_TRUE(fileKeptUp);
    ASSERT_FALSE(readeds.isEmpty());
    EXPECT_LE(readeds.first(), 1025);
    for (qsizetype i = 1; i < readeds.size(); ++i)
        ASSERT_TRUE(readeds[i] > readeds[i - 1] && readeds[i] - readeds[i - 1] <= 1025) << i;
    EXPECT_EQ(QFileInfo(target()).size(), readeds.last());
}
