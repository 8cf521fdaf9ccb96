#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>
#include <atomic>
#include <thread>

#include "tests/support/qt_printers.h"

#include "framework/errors.h"
#include "httpget/response_checks.h"
#include "tests/httpget/transfer_fixture.h"

using namespace larkspur;
using namespace larkspur::test;
using Reply = ScriptedReply;

TEST(SplitUrl, TakesTheSchemeAndPortOffAndSplitsAtTheFirstSlash) {
    struct Row {
        QString url;
        QString host;
        QString path;
        bool secure;
        std::uint16_t port;
    };
    const Row rows[] = {
        {"HTTP://Srv/dir/f.zip", "Srv", "/dir/f.zip", false, 80},
        {"Srv/f.zip", "Srv", "/f.zip", false, 80},
        {"http://Srv", "", "Srv", false, 80},
        {"hTTps://Srv/f", "Srv", "/f", true, 443},
        {"https://Srv:8443/f", "Srv", "/f", true, 8443},
        {"Srv:8080/f", "Srv", "/f", false, 8080},
        {"http://[::1]:8080/f", "[::1]", "/f", false, 8080},
        {"http://[::1]/f", "[::1]", "/f", false, 80},
        {"http://Srv:65536/f", "Srv:65536", "/f", false, 80},
        {"http://Srv:/f", "Srv:", "/f", false, 80},
        {"ftp://Srv/f", "ftp:", "//Srv/f", false, 80},
    };
    for (const Row& row : rows) {
        const auto parts = THTTPGetThread::SplitUrl(row.url);
        EXPECT_EQ(parts.Host, row.host) << row.url.toStdString();
        EXPECT_EQ(parts.Path, row.path) << row.url.toStdString();
        EXPECT_EQ(parts.Secure, row.secure) << row.url.toStdString();
        EXPECT_EQ(parts.Port, row.port) << row.url.toStdString();
    }
}

TEST(ResponseChecks, LengthsAreDecimalsWithinSixtyThreeBitsThatAgree) {
    EXPECT_EQ(parseContentLength(" 5000 "), 5000);
    EXPECT_EQ(parseContentLength("3221225472"), 3221225472);
    EXPECT_EQ(parseContentLength("9223372036854775807"), INT64_MAX);
    EXPECT_EQ(parseContentLength("42, 42"), 42);
    for (const QByteArray bad : {"", "12abc", "-5", "9223372036854775808", "0x10",
                                 "99999999999999999999", "42, 43", "42,"})
        EXPECT_EQ(parseContentLength(bad), std::nullopt) << bad.toStdString();
    EXPECT_EQ(addByteCount(2147483000, 1000), 2147484000);
    EXPECT_THROW(addByteCount(INT64_MAX - 10, 1000), Error);
    EXPECT_TRUE(isSuccessStatus(QByteArray("206")));
    EXPECT_FALSE(isSuccessStatus(QByteArray("404")));
    EXPECT_FALSE(isSuccessStatus(std::nullopt));
}

TEST(ResponseChecks, APlanTellsWhereTheBodyGoesAndHowLargeTheFileWillBe) {
    struct Case {
        const char* status;
        std::optional<QByteArray> length;
        std::optional<QByteArray> range;
        std::int64_t offset;
        std::optional<std::pair<bool, std::optional<std::int64_t>>> plan; // restart, total
        const char* refusal = "";
    };
    using P = std::pair<bool, std::optional<std::int64_t>>;
    const char* stale = "the partial file is longer than the server's file: fetching it whole";
    const Case cases[] = {
        {"200", "5000", {}, 0, P{false, 5000}},
        {"200", "5000", {}, 7000, P{true, 5000}},
        {"200", {}, {}, 7000, P{true, std::nullopt}},
        {"206", "5000", "bytes 7000-11999/12000", 7000, P{false, 12000}},
        {"206", {}, "bytes 7000-11999/12000", 7000, P{false, std::nullopt}},
        {"206", "5000", "bytes 7000-11999/12000", 6000, {}, "the server's part does not fit"},
        {"206", {}, {}, 7000, {}, "the server's part does not fit the file"},
        {"206", "5000", "bytes 2147483647-2147488646/2147488647", 2147483647, P{false, 2147488647}},
        {"206", "2000", "bytes 7000-8999/9000", 7000, {}, stale},
        {"416", {}, "bytes */9000", 7000, {}, stale},
        {"416", {}, "bytes */12000", 7000, {}, "416"},
        {"404", "5000", {}, 0, {}, "404"},
        {"200", "12abc", {}, 0, {}, "the server announced no usable length: 12abc"},
    };
    for (const Case& c : cases) {
        const auto decision = planBody({QByteArray(c.status), {}, c.length, c.range}, c.offset,
                                       c.offset > 0 ? c.offset + 5000 : 0);
        const auto plan = decision.plan;
        const auto got = plan ? std::optional(P{plan->restart, plan->totalSize}) : std::nullopt;
        EXPECT_EQ(got, c.plan) << c.status << " " << c.range.value_or("").toStdString();
        EXPECT_EQ(decision.refusal.left(qstrlen(c.refusal)), QString(c.refusal)) << c.status;
        EXPECT_EQ(decision.stalePartial, c.refusal == stale) << c.status;
    }
}

using Worker = TransferFixture;

TEST_F(Worker, FetchesAFreshFileInChunksWithTheRequestItWasGiven) {
    const QByteArray content = pattern(3000);
    server.serveFile(content);
    const WorkerOutcome outcome = runWorker(settingsFor("/f.bin"));

    EXPECT_TRUE(outcome.succeeded) << outcome.failureReason.toStdString();
    EXPECT_EQ(fileContent(), content);
    EXPECT_EQ(outcome.totalSize, 3000);
    EXPECT_EQ(outcome.progressSender, outcome.worker);
    ASSERT_FALSE(outcome.progress.isEmpty());
    EXPECT_EQ(outcome.progress.last(), (std::pair<std::int64_t, std::int64_t>(3000, 3000)));
    std::int64_t previous = 0;
    for (const auto& [total, readed] : outcome.progress) {
        EXPECT_EQ(total, 3000);
        EXPECT_GT(readed, previous);
        EXPECT_LE(readed - previous, 1025);
        previous = readed;
    }
    const RecordedRequest request = server.requests().value(0);
    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.target, "/f.bin");
    EXPECT_EQ(request.version, "HTTP/1.1");
    EXPECT_EQ(request.header("Host"), server.host().toLatin1());
    EXPECT_EQ(request.header("Accept"), "*/*");
    EXPECT_EQ(request.header("User-Agent"), "Corvane HTTPGet");
    EXPECT_EQ(request.header("Cache-Control"), "no-cache");
    EXPECT_EQ(request.header("Pragma"), "no-cache");
    EXPECT_EQ(request.header("Range"), std::nullopt);
    EXPECT_EQ(request.header("Authorization"), std::nullopt);
}

TEST_F(Worker, ResumesFiveThousandBytesBeforeTheEndOfAPartialFile) {
    const QByteArray content = pattern(20000);
    writeFile(content.left(12000));
    qint64 sizeWhenAsked = -1;
    server.setScript([&](const RecordedRequest& request) {
        sizeWhenAsked = QFileInfo(target()).size();
        return fileReply(content, request);
    });
    const WorkerOutcome outcome = runWorker(settingsFor("/f.bin"));

    EXPECT_EQ(sizeWhenAsked, 12000); // cut only once the server answers
    EXPECT_EQ(server.requests().value(0).header("Range"), "bytes=7000-");
    EXPECT_TRUE(outcome.succeeded);
    EXPECT_EQ(outcome.totalSize, 20000);
    EXPECT_GT(outcome.progress.value(0).second, 7000);
    EXPECT_EQ(fileContent(), content);
}

// The worker waits inside each progress report, so the file seen from outside then is what
// a kill -9 at that moment would leave: all that was reported, less one block at most.
TEST_F(Worker, AProgressReportFindsAllButOneBlockOfItsBytesOnDisk) {
    const QByteArray content = pattern(150'000);
    server.serveFile(content);
    for (const int partial : {0, 50'000}) {
        writeFile(content.left(partial));
        std::int64_t mostMissing = 0;
        const WorkerOutcome outcome = runWorker(settingsFor("/f.bin"), [&](THTTPGetThread& w) {
            mostMissing =
                std::max<std::int64_t>(mostMissing, w.Readed - QFileInfo(target()).size());
        });
        EXPECT_TRUE(outcome.succeeded) << partial;
        EXPECT_LT(mostMissing, std::int64_t(BlockWriter::BlockSize)) << partial;
        EXPECT_EQ(fileContent(), content) << partial;
    }
}

TEST_F(Worker, AShortPartialFileIsFetchedAgainFromItsStart) {
    const QByteArray content = pattern(4000);
    writeFile(content.left(3000));
    qint64 sizeWhenAsked = -1;
    server.setScript([&](const RecordedRequest& request) {
        sizeWhenAsked = QFileInfo(target()).size();
        return fileReply(content, request);
    });
    const WorkerOutcome outcome = runWorker(settingsFor("/f.bin"));
    EXPECT_EQ(server.requests().value(0).header("Range"), "bytes=0-");
    EXPECT_EQ(sizeWhenAsked, 3000);
    EXPECT_TRUE(outcome.succeeded);
    EXPECT_EQ(fileContent(), content);
}

TEST_F(Worker, TheAnnouncedLengthDecidesWhetherTheBodyIsRead) {
    server.setScript([](const RecordedRequest&) { return Reply{}; });
    EXPECT_TRUE(runWorker(settingsFor("/empty")).succeeded);
    EXPECT_TRUE(QFileInfo::exists(target()));
    EXPECT_EQ(fileContent(), "");

    Reply unannounced{200, "body of unknown length"};
    unannounced.length = Reply::Length::Omitted;
    server.setScript([&](const RecordedRequest&) { return unannounced; });
    writeFile(pattern(12000));
    EXPECT_FALSE(runWorker(settingsFor("/f.bin")).succeeded); // BinaryData: not read
    EXPECT_EQ(fileContent(), pattern(12000));                 // the partial file untouched

    WorkerSettings lenient = settingsFor("/f.bin");
    lenient.binaryData = false;
    QFile::remove(target());
    const WorkerOutcome written = runWorker(lenient);
    EXPECT_FALSE(written.succeeded); // nothing says the body is whole
    EXPECT_EQ(fileContent(), "body of unknown length");

    unannounced.body.clear();
    unannounced.length = Reply::Length::Chunked;
    QFile::remove(target());
    EXPECT_TRUE(runWorker(lenient).succeeded);
}

TEST_F(Worker, ALengthThatIsNoNumberOrTooBigFailsBeforeAnythingIsWritten) {
    for (const QByteArray length : {"12abc", "9223372036854775808"}) {
        Reply reply{200, "0123456789ab"};
        reply.lengthText = length;
        server.setScript([&](const RecordedRequest&) { return reply; });
        QFile::remove(target());
        EXPECT_FALSE(runWorker(settingsFor("/f.bin")).succeeded) << length.toStdString();
        EXPECT_EQ(fileContent(), "");
    }
}

TEST_F(Worker, AStopInTheReadLoopKeepsTheChunkUnderWayThenFails) {
    Reply slow{200, pattern(20000)};
    slow.bytesPerSecond = 20000;
    server.setScript([&](const RecordedRequest&) { return slow; });
    const WorkerOutcome outcome =
        runWorker(settingsFor("/f.bin"), [](THTTPGetThread& worker) { worker.terminate(); });
    EXPECT_FALSE(outcome.succeeded);
    ASSERT_EQ(outcome.progress.size(), 1);
    EXPECT_EQ(outcome.readed, outcome.progress[0].second);
    EXPECT_EQ(fileContent(), pattern(20000).left(outcome.readed));
}

TEST_F(Worker, AFailingProgressHandlerEndsTheTransfer) {
    server.serveFile(pattern(50000));
    const WorkerOutcome outcome =
        runWorker(settingsFor("/f.bin"), [](THTTPGetThread&) { throw Error("bar broke"); });
    EXPECT_FALSE(outcome.succeeded);
    EXPECT_EQ(outcome.progress.size(), 1);
}

TEST_F(Worker, WithoutAProgressHandlerTheBodyNeedsNoGuiThread) {
    server.serveFile(pattern(200000));
    WorkerSettings settings = settingsFor("/f.bin");
    settings.reportProgress = false;
    WorkerOutcome outcome;
    startWorker(settings, outcome);
    // The GUI thread serves nothing here; the file must still fill up.
    for (int i = 0; i < 3000 && QFileInfo(target()).size() < 200000; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(QFileInfo(target()).size(), 200000);
    EXPECT_FALSE(outcome.ended);
    waitUntil([&] { return outcome.ended; });
    EXPECT_TRUE(outcome.succeeded);
}

TEST_F(Worker, PostsTheFormAndPassesEveryRequestSetting) {
    server.serveFile("ok");
    WorkerSettings settings = settingsFor("/form");
    settings.postQuery = "a=1&b=%D0";
    settings.agent.clear();
    settings.useCache = true;
    settings.referer = "http://example.org/";
    settings.acceptTypes = "text/html";
    settings.userName = "user";
    settings.password = "secret";
    EXPECT_TRUE(runWorker(settings).succeeded);
    const RecordedRequest request = server.requests().value(0);
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(request.body, "a=1&b=%D0");
    EXPECT_EQ(request.header("User-Agent"), std::nullopt);
    EXPECT_EQ(request.header("Cache-Control"), std::nullopt);
    EXPECT_EQ(request.header("Referer"), "http://example.org/");
    EXPECT_EQ(request.header("Accept"), "text/html");
    EXPECT_EQ(request.header("Authorization"), "Basic " + QByteArray("user:secret").toBase64());
}

TEST_F(Worker, TheUrlsPortIsTheOneConnectedTo) {
    TestHttpServer onPort8080({}, {8080, {}});
    onPort8080.serveFile("ok");
    WorkerSettings settings = settingsFor("/f.bin");
    settings.url = onPort8080.host() + ":8080/f.bin";
    EXPECT_TRUE(runWorker(settings).succeeded);
    EXPECT_EQ(onPort8080.requests().value(0).header("Host"),
              (onPort8080.host() + ":8080").toLatin1());

    settings.url = "http://" + onPort8080.host() + "/f.bin"; // port 80: nobody there
    EXPECT_FALSE(runWorker(settings).succeeded);
    settings.url = "http://" + onPort8080.host() + ":80800/f.bin";
    EXPECT_FALSE(runWorker(settings).succeeded);
    EXPECT_EQ(onPort8080.connectionCount(), 1);
}

TEST_F(Worker, AUrlWithoutPathFailsAndLeavesAnExistingFileAlone) {
    writeFile(pattern(12000));
    WorkerSettings settings = settingsFor("");
    settings.url = "http://" + server.host();
    settings.binaryData = false;
    EXPECT_FALSE(runWorker(settings).succeeded);
    EXPECT_TRUE(fileContent() == pattern(12000));
    EXPECT_EQ(server.connectionCount(), 0);
}

TEST_F(Worker, OnlyASuccessStatusIsWrittenAndAPartialAnswerMustFitTheFile) {
    const QByteArray content = pattern(12000);
    server.setScript([](const RecordedRequest&) { return Reply{404, "<html>not here</html>"}; });
    EXPECT_FALSE(runWorker(settingsFor("/f.bin")).succeeded);
    EXPECT_EQ(fileContent(), "");

    writeFile(content.left(9000));
    server.serveFile(content, /*honourRange=*/false);
    const WorkerOutcome whole = runWorker(settingsFor("/f.bin"));
    EXPECT_TRUE(whole.succeeded);
    EXPECT_EQ(whole.totalSize, 12000);
    EXPECT_EQ(fileContent(), content);

    writeFile(content.left(9000));
    server.setScript([&](const RecordedRequest&) {
        Reply wrong{206, content.mid(5000)};
        wrong.headers.append("Content-Range: bytes 5000-11999/12000");
        return wrong;
    });
    EXPECT_FALSE(runWorker(settingsFor("/f.bin")).succeeded);
    EXPECT_EQ(fileContent(), content.left(9000));
}

TEST_F(Worker, ADroppedOrSilentLineFailsAndKeepsWhatArrived) {
    const QByteArray content = pattern(30000);
    Reply dropped{200, content};
    dropped.dropAfter = 10000;
    server.setScript([&](const RecordedRequest&) { return dropped; });
    EXPECT_FALSE(runWorker(settingsFor("/f.bin")).succeeded);
    EXPECT_EQ(fileContent(), content.left(10000));

    server.setScript([&](const RecordedRequest& request) {
        Reply reply = fileReply(content, request);
        reply.stallAfter = 10000;
        return reply;
    });
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(runWorker(settingsFor("/f.bin")).succeeded);
    EXPECT_EQ(fileContent(), content.left(15000));
    EXPECT_LT(clock.elapsed(), 10 * InactivityLimit.count());
}

TEST_F(Worker, TextModeCollectsTheBodyAndLeavesFilesAlone) {
    server.serveFile(QByteArray("line\0with nul", 13));
    WorkerSettings settings = settingsFor("/t.txt");
    settings.toFile = false;
    const WorkerOutcome outcome = runWorker(settings);
    EXPECT_TRUE(outcome.succeeded);
    EXPECT_EQ(outcome.resultText, QString::fromLatin1("line\0with nul", 13));
    EXPECT_FALSE(QFileInfo::exists(target()));
}
