// A file reported done is the server's file, whole, where its name says; nothing outside the
// target is touched; a failure says why.
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include "tests/support/qt_printers.h"

#include "httpget/http_get.h"
#include "tests/httpget/transfer_fixture.h"

using namespace larkspur::test;

namespace {

const QString NotThisFile = "the partial file is not this file: fetching it whole";
const QString Stale = "the partial file is longer than the server's file: fetching it whole";
const QString LinkRefused = "the target is a link or not a regular file: left alone";

class Integrity : public TransferFixture {
protected:
    // One transfer of `url` into the folder's `name`: empty when it succeeded, else why not.
    QString attempt(const QString& url, const QString& name = "f.bin",
                    const std::function<void()>& duringTransfer = {}) {
        QObject owner;
        THTTPGet get(&owner, *http);
        get.URL = url;
        get.FileName = dir.path() + '/' + name;
        get.WaitThread = true;
        get.ReservedName = "log.txt";
        bool done = false;
        get.OnDoneFile = [&](QObject*, const QString&, std::int64_t) { done = true; };
        if (duringTransfer)
            get.OnProgress = [&, once = true](QObject*, std::int64_t, std::int64_t) mutable {
                if (std::exchange(once, false))
                    duringTransfer();
            };
        get.GetFile();
        return done ? QString() : get.ErrorReason;
    }
    QString attempt() { return attempt(server.url("/f.bin")); }
};

} // namespace

TEST_F(Integrity, AResumeNeverSplicesAnotherFileOntoThePartial) {
    const QByteArray current = pattern(200000, 1);
    QByteArray older = current;
    older.replace(60000, 60000, pattern(60000, 9)); // changed on the server since
    server.serveFile(current);
    for (const QByteArray& partial :
         {pattern(95000, 5) /* same name, other folder */, older.left(95000)}) {
        writeFile(partial);
        EXPECT_EQ(attempt(), NotThisFile);
        EXPECT_FALSE(QFileInfo::exists(target()));
        EXPECT_EQ(attempt(), "");
        EXPECT_TRUE(fileContent() == current);
    }
}

TEST_F(Integrity, AnErrorAnswerLeavesThePartialByteIdenticalAndMakesNoFile) {
    struct Case {
        int status;
        const char* reason;
    };
    for (const Case c : {Case{404, "404 Not Found"}, Case{416, "416 Range Not Satisfiable"},
                         Case{503, "503 Status"}}) {
        server.setScript([&](const RecordedRequest&) {
            ScriptedReply error{c.status, "<html>no</html>"};
            error.headers.append("Content-Range: bytes */300000");
            return error;
        });
        for (const int size : {120000, 3000, -1}) {
            QFile::remove(target());
            if (size >= 0)
                writeFile(pattern(size));
            EXPECT_EQ(attempt(), c.reason);
            EXPECT_EQ(QFileInfo::exists(target()), size >= 0) << c.status;
            EXPECT_TRUE(fileContent() == (size >= 0 ? pattern(size) : "")) << c.status << size;
        }
    }
}

TEST_F(Integrity, APartialLongerThanTheServersFileStartsAgain) {
    const QByteArray current = pattern(100000);
    server.serveFile(current);
    for (const int partial : {120000, 102000}) { // answered 416, and 206 with the shorter size
        writeFile(pattern(partial));
        EXPECT_EQ(attempt(), Stale) << partial;
        EXPECT_EQ(attempt(), "") << partial;
        EXPECT_TRUE(fileContent() == current) << partial;
    }
}

TEST_F(Integrity, AFileThatVanishesDuringTheTransferIsNoSuccess) {
    const QByteArray content = pattern(300000);
    server.serveFile(content);
    const QString file = target("sub/f.bin");
    const std::function<void()> mishaps[] = {
        [&] { QFile::remove(file); },
        [&] { QFile::rename(file, target("sub/g.bin")); },
        [&] { QFile::remove(file), writeFile(content, "sub/f.bin"); }, // the same bytes, elsewhere
        [&] { QDir(target("sub")).removeRecursively(); },
    };
    for (const auto& mishap : mishaps) {
        QDir(target("sub")).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(target("sub")));
        EXPECT_EQ(attempt(server.url("/f.bin"), "sub/f.bin", mishap),
                  "the file was removed or replaced while it was written");
    }
}

TEST_F(Integrity, APlantedLinkIsNeverFollowed) {
    server.serveFile(pattern(20000));
    const QTemporaryDir outside;
    const QString victim = outside.filePath("victim");
    for (const bool existing : {false, true}) {
        QFile::remove(target());
        if (existing) {
            QFile file(victim);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("secret");
            file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        }
        ASSERT_TRUE(QFile::link(victim, target()));
        EXPECT_EQ(attempt(), LinkRefused) << existing;
        EXPECT_EQ(QFileInfo::exists(victim), existing);
        QFile file(victim);
        EXPECT_EQ(file.open(QIODevice::ReadOnly) ? file.readAll() : "", existing ? "secret" : "");
    }
}

TEST_F(Integrity, TheLogsNameAndNamesOfNoFileAreNeverWritten) {
    writeFile("the night's log", "log.txt");
    server.serveFile("not the log");
    const std::pair<QString, QString> cases[] = {
        {"log.txt", "the name is that of the job's log file: not fetched"},
        {"", "the URL names no file"},
        {".", "the URL names no file"},
        {"..", "the URL names no file"},
    };
    for (const auto& [name, reason] : cases)
        EXPECT_EQ(attempt(server.url("/" + name), name), reason) << name.toStdString();
    EXPECT_EQ(fileContent("log.txt"), "the night's log");
    EXPECT_TRUE(server.requests().isEmpty());
}

TEST_F(Integrity, ALineTricklingUnderAByteASecondFailsLikeASilentOne) {
    const std::chrono::milliseconds limit{4000}; // never silent that long, yet under 1 byte/s
    http = larkspur::platform::makeCurlHttpClientFactory(limit);
    ScriptedReply trickle{200, pattern(20)};
    trickle.msPerByte = 1500;
    server.setScript([&](const RecordedRequest&) { return trickle; });
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(attempt(), "slower than 1 byte/s for 4 s");
    EXPECT_LT(clock.elapsed(), 2 * limit.count());
}

TEST_F(Integrity, AFailureSaysWhyInPlainWords) {
    server.setScript([](const RecordedRequest& request) {
        ScriptedReply reply = fileReply(pattern(30000), request);
        reply.stallAfter = 10000;
        return reply;
    });
    const std::pair<QString, QString> cases[] = {
        {"http://" + server.host() + ":81/f.bin", "connection refused"},
        {"http://nohost.invalid/f.bin", "could not resolve host nohost.invalid"},
        {server.url("/f.bin"), "stalled for 1.5 s"},
    };
    for (const auto& [url, reason] : cases)
        EXPECT_EQ(attempt(url), reason);
}
