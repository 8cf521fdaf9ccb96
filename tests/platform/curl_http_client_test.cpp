#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTest>
#include <gtest/gtest.h>

#include "tests/support/qt_printers.h"

#include "platform/http_client.h"
#include "platform/http_response_head.h"
#include "tests/support/http_server.h"

using namespace larkspur;
using namespace larkspur::platform;
using larkspur::test::RecordedRequest;
using larkspur::test::ScriptedReply;

namespace {

class CurlClient : public ::testing::Test {
protected:
    static constexpr std::chrono::milliseconds Limit{800};

    std::unique_ptr<HttpRequest> request(const QByteArray& path, const QByteArray& server) {
        session = http->open(std::nullopt);
        connection = session->connect(server, 80, {}, {});
        return connection->openRequest({"GET", path, "HTTP/1.1", {}, {"Accept: */*"}, false});
    }
    std::unique_ptr<HttpRequest> request(const QByteArray& path) {
        return request(path, this->server.host().toLatin1());
    }

    // Reads the whole body in pieces of random size; false when a read failed.
    static bool readAll(HttpRequest& request, QByteArray& body) {
        char buffer[5000];
        for (;;) {
            std::uint32_t count = 0;
            const auto size = std::uint32_t(QRandomGenerator::global()->bounded(1, 5000));
            if (!request.read(buffer, size, count))
                return false;
            if (count == 0)
                return true;
            body.append(buffer, count);
        }
    }

    test::TestHttpServer server;
    std::unique_ptr<HttpClientFactory> http = makeCurlHttpClientFactory(Limit);
    std::unique_ptr<HttpSession> session;
    std::unique_ptr<HttpConnection> connection;
};

} // namespace

TEST_F(CurlClient, DeliversEveryByteOnceHoweverTheReadsAreCut) {
    QByteArray content(8 * 1024 * 1024, Qt::Uninitialized);
    for (qsizetype i = 0; i < content.size(); ++i)
        content[i] = char(QRandomGenerator::global()->generate());
    server.serveFile(content);
    const auto get = request("/big");
    ASSERT_TRUE(get->send({}, {}));
    EXPECT_EQ(get->queryInfo(HttpInfo::ContentLength), QByteArray::number(content.size()));
    EXPECT_EQ(get->queryInfo(HttpInfo::StatusCode), "200");
    QByteArray body;
    EXPECT_TRUE(readAll(*get, body));
    EXPECT_TRUE(body == content);
}

TEST_F(CurlClient, FollowsARedirectAndReportsOnlyTheFinalAnswer) {
    server.setScript([this](const RecordedRequest& request) {
        if (request.target == "/old") {
            ScriptedReply moved{302, "moved away"};
            moved.headers.append("Location: " + server.url("/new").toLatin1());
            return moved;
        }
        ScriptedReply partial{206, "tail"};
        partial.headers.append("Content-Range: bytes 10-13/14");
        partial.length = ScriptedReply::Length::Chunked;
        return partial;
    });
    const auto get = request("/old");
    ASSERT_TRUE(get->send({}, {}));
    EXPECT_EQ(get->queryInfo(HttpInfo::StatusCode), "206");
    EXPECT_EQ(get->queryInfo(HttpInfo::ContentLength), std::nullopt);
    EXPECT_EQ(get->queryInfo(HttpInfo::ContentRange), "bytes 10-13/14");
    QByteArray body;
    EXPECT_TRUE(readAll(*get, body));
    EXPECT_EQ(body, "tail");
}

TEST_F(CurlClient, ASilentLineFailsAfterTheInactivityLimit) {
    ScriptedReply mute;
    mute.stallBeforeHeaders = true;
    server.setScript([&](const RecordedRequest&) { return mute; });
    QElapsedTimer clock;
    clock.start();
    const auto get = request("/mute");
    EXPECT_FALSE(get->send({}, {}));
    EXPECT_EQ(get->queryInfo(HttpInfo::ContentLength), std::nullopt);
    std::uint32_t count = 7;
    char byte;
    EXPECT_FALSE(get->read(&byte, 1, count));
    EXPECT_EQ(count, 0u);
    EXPECT_GE(clock.elapsed(), Limit.count());
    EXPECT_LT(clock.elapsed(), 5 * Limit.count());
}

TEST_F(CurlClient, ALostConnectionFailsTheReadAfterTheBytesThatCame) {
    ScriptedReply cut{200, QByteArray(100000, 'b')};
    cut.dropAfter = 40000;
    server.setScript([&](const RecordedRequest&) { return cut; });
    const auto get = request("/cut");
    ASSERT_TRUE(get->send({}, {}));
    QByteArray body;
    EXPECT_FALSE(readAll(*get, body));
    EXPECT_EQ(body.size(), 40000);
}

TEST_F(CurlClient, RefusesTextsThatWouldChangeTheRequestAndEscapesThePath) {
    server.serveFile("x");
    EXPECT_EQ(http->open(QByteArray("agent\r\nX-Evil: 1")), nullptr);
    EXPECT_EQ(http->open(std::nullopt)->connect("user@host", 80, {}, {}), nullptr);
    EXPECT_EQ(http->open(std::nullopt)->connect("", 80, {}, {}), nullptr);
    const auto get = request("/a b/\xd4\xe0\xe9\xeb");
    EXPECT_FALSE(get->addHeader("Range: bytes=0-\r\nX-Evil: 1"));
    EXPECT_TRUE(get->addHeader("Range: bytes=0-"));
    ASSERT_TRUE(get->send({}, {}));
    const RecordedRequest seen = server.requests().value(0);
    EXPECT_EQ(seen.target, "/a%20b/%D4%E0%E9%EB");
    EXPECT_EQ(seen.header("X-Evil"), std::nullopt);
}

TEST_F(CurlClient, NoServerMeansNoResponse) {
    const auto get = request("/f", "127.0.255.254"); // nothing listens there
    EXPECT_FALSE(get->send({}, {}));
    EXPECT_EQ(get->queryInfo(HttpInfo::StatusCode), std::nullopt);
}

TEST_F(CurlClient, KeepsAConnectionForTheNextRequestAndOpensAnotherOnceTheServerClosedIt) {
    server.serveFile("kept");
    server.setKeepAlive(300);
    const auto fetch = [this] {
        const auto get = request("/f");
        QByteArray body;
        return get->send({}, {}) && readAll(*get, body) && body == "kept";
    };
    EXPECT_TRUE(fetch());
    EXPECT_TRUE(fetch());
    EXPECT_EQ(server.connectionCount(), 1);
    QTest::qWait(800); // the server gave the idle connection up
    EXPECT_TRUE(fetch());
    EXPECT_EQ(server.connectionCount(), 2);
}

TEST(ResponseHead, KeepsOnlyTheFinalAnswerAndEveryValueOfAHeader) {
    for (const auto& [line, status] :
         std::initializer_list<std::pair<QByteArray, int>>{{"HTTP/1.1 200 OK", 200},
                                                           {"HTTP/1.0 404", 404},
                                                           {"HTTP/1.1 20 OK", 0},
                                                           {"HTTP/1.1 2000 OK", 0},
                                                           {"HTTP/1.1 +20 OK", 0},
                                                           {"ICY 200 OK", 0}})
        EXPECT_EQ(parseStatusLine(line).value_or(0), status) << line.toStdString();

    HttpResponseHead head;
    for (const QByteArray line :
         {"HTTP/1.1 100 Continue\r\n", "\r\n", "HTTP/1.1 302 Found\r\n", "Location: /next\r\n",
          "Content-Length: 9\r\n", "\r\n", "HTTP/1.1 200 OK\r\n", "Content-Length: 5\r\n",
          "content-length: 7\r\n", "X-Folded: a\r\n", " b\r\n"}) {
        EXPECT_FALSE(head.complete());
        head.takeLine(line);
    }
    head.takeLine("\r\n");
    EXPECT_TRUE(head.complete());
    EXPECT_EQ(head.status(), 200);
    EXPECT_EQ(head.value("Content-Length"), "5, 7");
    EXPECT_EQ(head.value("X-Folded"), "a b");
    EXPECT_EQ(head.value("Location"), std::nullopt);
}
