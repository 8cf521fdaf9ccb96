// A file reported done is the server's file, whole, where its name says; nothing outside the
// target is touched; a failure says why.
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include "tests/support/qt_printers.h"

#include "httpget/http_get.h"
#include "tests/httpget/transfer_fixture.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

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
        get.ReservedNames = {"log.txt"};
        bool done = false;
        get.OnDoneFile = [&](QObject*, const QString&, std::int64_t) { done = true; };
        get.OnError = [&](QObject*) { failedLocally = {get.FailureIsLocal, get.FailureErrno}; };
        if (duringTransfer)
            get.OnProgress = [&, once = true](QObject*, std::int64_t, std::int64_t) mutable {
                if (std::exchange(once, false))
                    duringTransfer();
            };
        get.GetFile();
        sha256 = get.FileSha256;
        return done ? QString() : get.ErrorReason;
    }
    QString attempt() { return attempt(server.url("/f.bin")); }

    QString sha256;                               // of the last attempt's complete file
    std::pair<bool, int> failedLocally{false, 0}; // of its failure
};

QByteArray sha256Of(const QByteArray& bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

// `content` in its version `validator` ("ETag: ..." or "Last-Modified: ..."), as a server
// that honours If-Range: a range only of that version, else the whole file.
ScriptedReply versionOf(const QByteArray& content, const QByteArray& validator,
                        const RecordedRequest& request) {
    const auto ifRange = request.header("If-Range");
    const bool sameVersion = !ifRange || validator.endsWith(": " + *ifRange);
    ScriptedReply reply = fileReply(content, request, sameVersion);
    reply.headers += {validator, "Date: Tue, 08 Dec 2026 23:00:00 GMT"};
    return reply;
}

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

// The partial file keeps its version's validator, and a resume asks only for the rest of
// that version: a change anywhere in the file, far before the overlap, fetches it whole.
TEST_F(Integrity, AFileChangedBeforeTheOverlapIsFetchedWholeNotSpliced) {
    const QByteArray older = pattern(200000, 1);
    QByteArray newer = older;
    newer.replace(100, 1000, pattern(1000, 9));
    const std::pair<QByteArray, QByteArray> versions[] = {
        {"ETag: \"v1\"", "ETag: \"v2\""},
        {"Last-Modified: Tue, 01 Dec 2026 10:00:00 GMT",
         "Last-Modified: Tue, 08 Dec 2026 22:00:00 GMT"}};
    for (const auto& [first, second] : versions) {
        QFile::remove(target());
        server.setScript([&](const RecordedRequest& request) {
            ScriptedReply reply = versionOf(older, first, request);
            reply.dropAfter = 60000;
            return reply;
        });
        EXPECT_NE(attempt(), "");
        EXPECT_TRUE(fileContent() == older.left(60000)) << first.data();
        server.setScript(
            [&](const RecordedRequest& request) { return versionOf(newer, second, request); });
        EXPECT_EQ(attempt(), "") << first.data();
        EXPECT_TRUE(fileContent() == newer) << first.data();
        EXPECT_TRUE(first.endsWith(": " + *server.requests().last().header("If-Range")));
    }
}

// Before "Downloaded" the file is read back: it must hold what arrived, and match the
// digest of the whole file that the server sent; its SHA-256 is told.
TEST_F(Integrity, TheFileReadBackMustHoldWhatArrivedAndMatchTheServersDigest) {
    const QByteArray content = pattern(2000000, 3);
    const QByteArray base64 = sha256Of(content).toBase64();
    struct Case {
        QByteArray header;
        std::function<void()> duringTransfer;
        QString reason;
    };
    const Case cases[] = {
        {{}, [&] { QFile::resize(target(), 0); }, "the file was changed while it was written"},
        {"Repr-Digest: sha-256=:" + base64 + ":", {}, ""},
        {"Repr-Digest: sha-512=:" +
             QCryptographicHash::hash(content, QCryptographicHash::Sha512).toBase64() + ":",
         {},
         ""},
        {"Repr-Digest: sha-256=:" + sha256Of("other").toBase64() + ":",
         {},
         "the server's digest does not match: fetching it whole"},
        {"Digest: SHA-256=" + sha256Of("other").toBase64(),
         {},
         "the server's digest does not match: fetching it whole"},
        {"Content-Digest: sha-256=:" + sha256Of("a part").toBase64() + ":", {}, ""},
    };
    for (const Case& c : cases) {
        server.setScript([&](const RecordedRequest& request) {
            ScriptedReply reply = fileReply(content, request);
            if (!c.header.isEmpty())
                reply.headers.append(c.header);
            return reply;
        });
        writeFile(content.left(700000)); // resumed: the digest is of the whole file
        EXPECT_EQ(attempt(server.url("/f.bin"), "f.bin", c.duringTransfer), c.reason)
            << c.header.data();
        EXPECT_EQ(QFileInfo::exists(target()), c.reason.isEmpty()) << c.header.data();
        EXPECT_EQ(sha256, c.reason.isEmpty() ? sha256Of(content).toHex() : "") << c.header.data();
    }
}

// Only a partial file of the running user's own with no other name is continued: another
// user's file, or a hard link to a file elsewhere, is never written.
TEST_F(Integrity, APartialFileOfAnotherUserOrWithOtherNamesIsLeftAlone) {
    const QByteArray content = pattern(30000);
    server.serveFile(content);
    const std::function<void()> setups[] = {
        [&] { ASSERT_EQ(::chown(QFile::encodeName(target()).constData(), 65534, 65534), 0); },
        [&] {
            ASSERT_EQ(::link(QFile::encodeName(target()).constData(),
                             QFile::encodeName(target("other")).constData()),
                      0);
        },
    };
    for (const auto& setup : setups) {
        QFile::remove(target());
        QFile::remove(target("other"));
        writeFile("forged" + content.right(5000));
        setup();
        EXPECT_EQ(attempt(),
                  "the partial file belongs to another user or has other names: left alone");
        EXPECT_TRUE(fileContent() == "forged" + content.right(5000));
    }
}

// A name with a control character, as it stands or behind "%xx", could be cut short on its
// way to the file system: it fails before any request. Words of the server reach the reason
// only printable and at most 200 characters long.
TEST_F(Integrity, HostileNamesAndServerWordsNeverReachTheLogAsTheyAre) {
    for (const QString& name :
         {QStringLiteral("log.txt%00.bin"), QString("log.txt") + QChar(0) + ".bin",
          QStringLiteral("a\x01"
                         "b")}) {
        EXPECT_EQ(attempt(server.url("/" + name), name),
                  "the file name holds a control character: not fetched");
    }
    EXPECT_TRUE(server.requests().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(target("log.txt")));
    server.setScript([](const RecordedRequest&) {
        ScriptedReply reply{404, "no"};
        reply.phrase = "Not\x1b[2J Found" + QByteArray(300, 'x');
        return reply;
    });
    EXPECT_EQ(attempt(), "404 Not?[2J Found" + QString(183, 'x'));
}

// Every file of a transfer is reached through a folder opened along trusted links only: a
// component that another user could swap for a link fails the transfer, named.
TEST_F(Integrity, AFolderPathThroughALinkAnotherUserCouldReplaceWritesNothing) {
    server.serveFile(pattern(20000));
    const QTemporaryDir outside;
    struct Case {
        const char* parent;
        mode_t mode;
        uid_t linkOwner;
        bool trusted;
    };
    const Case cases[] = {{"home", 0755, ::geteuid(), true}, // ~/Downloads as a link of one's own
                          {"open", 0777, ::geteuid(), false},
                          {"private", 0755, 65534, false}};
    for (const Case& c : cases) {
        const QString parent = target(c.parent);
        ASSERT_TRUE(QDir().mkpath(parent));
        ::chmod(QFile::encodeName(parent).constData(), c.mode);
        const QByteArray link = QFile::encodeName(parent + "/Downloads");
        ASSERT_EQ(::symlink(QFile::encodeName(outside.path()).constData(), link.constData()), 0);
        ASSERT_EQ(::lchown(link.constData(), c.linkOwner, gid_t(-1)), 0);
        const QString reason =
            attempt(server.url("/f.bin"), QString(c.parent) + "/Downloads/f.bin");
        EXPECT_EQ(reason, c.trusted ? ""
                                    : "a link on the folder's path could be replaced by "
                                      "another user: " +
                                          parent + "/Downloads; nothing written")
            << c.parent;
        EXPECT_EQ(QFileInfo::exists(outside.filePath("f.bin")), c.trusted) << c.parent;
        QFile::remove(outside.filePath("f.bin"));
    }
}

// A failure whose cause lies on this machine says so, for the one who must mend it there.
TEST_F(Integrity, AFailureTellsWhetherItsCauseIsOnThisMachine) {
    server.serveFile(pattern(1000));
    writeFile("a file", "plain");
    const std::tuple<QString, QString, bool, int> cases[] = {
        {server.url("/f.bin"), "missing/f.bin", true, ENOENT},
        {server.url("/f.bin"), "plain/f.bin", true, ENOTDIR},
        {server.url("/nothing"), "f.bin", false, 0},
        {"http://" + server.host() + ":81/f.bin", "f.bin", false, 0},
    };
    for (const auto& [url, name, local, error] : cases) {
        server.setScript([](const RecordedRequest& request) {
            return request.target == "/f.bin" ? ScriptedReply{200, "x"} : ScriptedReply{404};
        });
        EXPECT_NE(attempt(url, name), "") << name.toStdString();
        EXPECT_EQ(failedLocally, std::pair(local, error)) << name.toStdString();
    }
}
