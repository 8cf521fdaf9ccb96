// Servers that answer badly, or URLs that cannot be asked for as they stand: a short or
// misfitting answer never counts as the whole file, and a partial file is never lost.
#include <QFileInfo>

#include "tests/support/qt_printers.h"

#include "tests/httpget/transfer_fixture.h"

using namespace larkspur::test;
using Reply = ScriptedReply;

namespace {

QByteArray pattern(int size) {
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 13) % 251);
    return bytes;
}

// A resource of 200 000 bytes of which 120 000 are on disk: the request resumes at 115 000.
class Hostile : public TransferFixture {
protected:
    static constexpr int Whole = 200000;
    static constexpr int Offset = 115000;

    void SetUp() override { writeFile(content.left(120000)); }

    const QByteArray content = pattern(Whole);
};

struct PartialCase {
    const char* range;
    int size; // of the body sent from the offset on
    bool whole;
};

} // namespace

TEST_F(Hostile, APartialAnswerMustRunFromTheOffsetToTheEndOfTheResource) {
    const PartialCase cases[] = {
        {"bytes 115000-124999/200000", 10000, false}, // a CDN's piece
        {"bytes 115000-199999/300000", 85000, false}, // total disagrees with the end
        {"bytes 115000-199999/*", 85000, false},      // total unknown
        {"bytes 115000-199999/200000", 10000, false}, // length disagrees with the range
        {"bytes 110000-199999/200000", 90000, false}, // not where the file was cut
        {"items 115000-199999/200000", 85000, false}, {"Bytes 115000-199999/200000", 85000, true},
    };
    for (const PartialCase& c : cases) {
        SetUp();
        server.setScript([&](const RecordedRequest&) {
            Reply partial{206, content.mid(Offset, c.size)};
            partial.headers.append(QByteArray("Content-Range: ") + c.range);
            return partial;
        });
        const WorkerOutcome outcome = runWorker(settingsFor("/f.bin"));
        EXPECT_EQ(outcome.succeeded, c.whole) << c.range;
        EXPECT_TRUE(fileContent() == content.left(c.whole ? Whole : 120000)) << c.range;
    }
}

TEST_F(Hostile, AWholeAnswerWithABadLengthLeavesThePartialFile) {
    for (const QByteArray length : {"9223372036854775808", "12abc", "5, 7"}) {
        SetUp();
        Reply whole{200, content};
        whole.lengthText = length;
        server.setScript([&](const RecordedRequest&) { return whole; });
        EXPECT_FALSE(runWorker(settingsFor("/f.bin")).succeeded) << length.toStdString();
        EXPECT_TRUE(fileContent() == content.left(120000)) << length.toStdString();
    }
}

TEST_F(Hostile, TwoDifferentLengthsAreAnErrorEvenWhenTheBodyMatchesTheFirst) {
    QFile::remove(target());
    Reply doubled{200, content.left(3000)};
    doubled.headers.append("Content-Length: 5000"); // the body is framed by this one
    server.setScript([&](const RecordedRequest&) { return doubled; });
    EXPECT_FALSE(runWorker(settingsFor("/f.bin")).succeeded);

    doubled.headers = {"Content-Length: 3000"}; // the same length twice is one length
    EXPECT_TRUE(runWorker(settingsFor("/g.bin")).succeeded);
}

TEST_F(Hostile, TheRequestAsksForExactlyThePathTheListHolds) {
    const std::pair<QString, QByteArray> cases[] = {
        {"/files/track#1.mp3", "/files/track%231.mp3"},
        {"/a b/{x}|^`\"<>\\", "/a%20b/%7Bx%7D%7C%5E%60%22%3C%3E%5C"},
        {"/%41%zz%4", "/%41%25zz%254"},
        {"/\u042f?q=1&r=[2]", "/%DF?q=1&r=%5B2%5D"}, // the 8-bit code page's byte
    };
    server.serveFile("ok");
    for (const auto& [path, sent] : cases) {
        QFile::remove(target());
        EXPECT_TRUE(runWorker(settingsFor(path)).succeeded) << path.toStdString();
        EXPECT_EQ(server.requests().last().target, sent);
    }
}

TEST_F(Hostile, ARequestThatCannotBeMadeLeavesTheFileAsItWas) {
    const QByteArray before = fileContent();
    server.serveFile(content);
    WorkerSettings settings = settingsFor("/f.bin");
    settings.binaryData = false;
    for (const QString url : {"http://bad host/f.bin", "http://@/f.bin"}) {
        settings.url = url;
        EXPECT_FALSE(runWorker(settings).succeeded) << url.toStdString();
        EXPECT_TRUE(fileContent() == before) << url.toStdString();
    }
    settings = settingsFor("/f.bin");
    settings.agent = "agent\r\nX-Evil: 1";
    EXPECT_FALSE(runWorker(settings).succeeded);
    EXPECT_TRUE(fileContent() == before);
    QFile::remove(target());
    settings.url = "http://bad host/f.bin";
    EXPECT_FALSE(runWorker(settings).succeeded);
    EXPECT_FALSE(QFileInfo::exists(target()));
    EXPECT_EQ(server.connectionCount(), 0);
}

TEST_F(Hostile, ARedirectToAProtocolOtherThanHttpIsNotFollowed) {
    for (const QByteArray scheme : {"ftp", "file", "gopher"}) {
        server.setScript([&](const RecordedRequest&) {
            Reply moved{302, "moved"};
            moved.headers.append("Location: " + scheme + "://" + server.host().toLatin1() +
                                 ":80/f.bin");
            return moved;
        });
        const int before = server.connectionCount();
        EXPECT_FALSE(runWorker(settingsFor("/f.bin")).succeeded) << scheme.toStdString();
        EXPECT_EQ(server.connectionCount(), before + 1) << scheme.toStdString();
    }
}
