#include <QCryptographicHash>
#include <QRandomGenerator>
#include <optional>

#include "tests/support/qt_printers.h"

#include "httpget/http_get.h"
#include "tests/httpget/transfer_fixture.h"

using namespace larkspur::test;

// Over plain HTTP and over TLS.
class Resume : public TransferFixture, public ::testing::WithParamInterface<bool> {};

// A line that drops five times in a large file: each attempt continues the last, and
// the file ends up whole.
TEST_P(Resume, AFileCutFiveTimesEndsIdenticalToTheSource) {
    std::optional<TestHttpServer> secure;
    if (GetParam())
        secure.emplace(TestHttpServer::Script{}, secureOn());
    TestHttpServer& source = secure ? *secure : server;
    auto* random = QRandomGenerator::global();
    QByteArray content(20 * 1000 * 1000, Qt::Uninitialized);
    for (qsizetype i = 0; i < content.size(); ++i)
        content[i] = char(random->generate());
    int attempt = 0;
    source.setScript([&](const RecordedRequest& request) {
        ScriptedReply reply = fileReply(content, request);
        if (attempt++ < 5)
            reply.dropAfter = random->bounded(qint64(1), reply.body.size());
        return reply;
    });

    QObject owner;
    THTTPGet get(&owner, *http);
    get.URL = source.url("/big.bin");
    get.FileName = target("big.bin");
    get.WaitThread = true;
    int successes = 0;
    int failures = 0;
    get.OnDoneFile = [&](QObject*, const QString&, std::int64_t size) {
        ++successes;
        EXPECT_EQ(size, content.size());
    };
    get.OnError = [&](QObject*) { ++failures; };
    while (successes == 0 && failures < 10)
        get.GetFile();

    EXPECT_EQ(successes, 1);
    EXPECT_EQ(failures, 5);
    EXPECT_EQ(QCryptographicHash::hash(fileContent("big.bin"), QCryptographicHash::Sha256),
              QCryptographicHash::hash(content, QCryptographicHash::Sha256));
}

INSTANTIATE_TEST_SUITE_P(Lines, Resume, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "https" : "http"; });
