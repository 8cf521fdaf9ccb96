#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <list>

#include "tests/support/qt_printers.h"

#include "platform/dialup_service.h"
#include "tests/dialup/dial_report_recorder.h"

using namespace larkspur::platform;
using larkspur::test::DialReportRecorder;
using larkspur::test::report;
using namespace std::chrono_literals;

namespace {

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

bool processGone(pid_t pid) {
    const QByteArray status = readFile(QStringLiteral("/proc/%1/stat").arg(pid));
    return status.isEmpty() || status.contains(") Z ");
}

bool eventually(const std::function<bool()>& condition) {
    for (int tries = 0; tries < 100; ++tries) {
        if (condition())
            return true;
        std::this_thread::sleep_for(50ms);
    }
    return condition();
}

// pppd's place taken by the stand-in, which plays a scenario and records its start.
class PppdDialupTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        for (const char* sub : {"peers", "record", "run", "net"})
            QDir(dir.path()).mkdir(sub);
        writeFile(dir.filePath("peers/isp"), "connect \"chat -s -v -T $PHONE\"\n");
        qputenv("STANDIN_SCENARIO", dir.filePath("scenario").toUtf8());
        qputenv("STANDIN_RECORD", dir.filePath("record").toUtf8());
        qputenv("STANDIN_PIDDIR", dir.filePath("run").toUtf8());
        service = makePppdDialup({QStringLiteral(LARKSPUR_PPPD_STANDIN), dir.filePath("peers"),
                                  dir.filePath("net"), dir.filePath("run")});
    }

    void play(const QByteArray& scenario) { writeFile(dir.filePath("scenario"), scenario); }

    std::uint32_t dial(const QString& entry = QStringLiteral("isp")) {
        return service->dial({entry, QStringLiteral("night"), password, QStringLiteral("5551234")},
                             recorder.callback(), handle);
    }

    // The error a dial reports when pppd ends the given way before the line is up.
    std::uint32_t errorOf(const QByteArray& scenario) {
        DialReportRecorder& failing = failures.emplace_back();
        play(scenario);
        ConnectionHandle ignored = NoConnection;
        EXPECT_EQ(service->dial({"isp", "night", password, "5551234"}, failing.callback(), ignored),
                  0u);
        const auto reports = failing.waitFor(1);
        return reports.empty() ? 0 : reports.back().error;
    }

    QString record(const char* name) const {
        return QString::fromUtf8(readFile(dir.filePath(QStringLiteral("record/") + name)));
    }

    QTemporaryDir dir;
    QString password = QStringLiteral("s3cret-Пароль-7");
    DialReportRecorder recorder;
    std::list<DialReportRecorder> failures; // outlive the service's threads
    ConnectionHandle handle = NoConnection;
    std::unique_ptr<DialupService> service;
};

TEST_F(PppdDialupTest, ReportsTheStatesInOrderOnItsOwnThreadThenLeavesTheLineUp) {
    play("say Serial connection established.\n"
         "say Using interface ppp7\n"
         "say Connect: ppp7 <--> /dev/ttyS0\n"
         "say sent [PAP AuthReq id=0x1 user=\"night\" password=<hidden>]\n"
         "say sent [PAP AuthReq id=0x2 user=\"night\" password=<hidden>]\n"
         "say PAP authentication succeeded\n"
         "say local  IP address 10.0.0.2\n"
         "say remote IP address 10.0.0.1\n"
         "detach ppp7\n");
    ASSERT_EQ(dial(), 0u);
    EXPECT_NE(handle, NoConnection);

    const auto reports = recorder.waitFor(5);
    EXPECT_EQ(reports, (std::vector{report(3), report(19), report(7), report(14), report(8192)}));
    for (const auto& each : reports)
        EXPECT_NE(each.thread, std::this_thread::get_id());
    std::this_thread::sleep_for(600ms); // pppd's detaching is no failure
    EXPECT_EQ(recorder.reports().size(), 5u);

    // The detached pppd is found through its pid file and ended by the hang-up.
    const pid_t daemon = readFile(dir.filePath("run/ppp7.pid")).trimmed().toInt();
    ASSERT_GT(daemon, 0);
    EXPECT_FALSE(processGone(daemon));
    service->hangUp(handle);
    EXPECT_TRUE(eventually([&] { return processGone(daemon); }));
}

TEST_F(PppdDialupTest, StartsPppdWithTheEntryAndUserAndHandsThePhoneToTheConnectScript) {
    play("exit 19\n");
    ASSERT_EQ(dial(), 0u);
    recorder.waitFor(1);
    const QStringList arguments = record("args").split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(arguments.mid(0, 4), (QStringList{"call", "isp", "updetach", "debug"}));
    EXPECT_TRUE(arguments.join(' ').contains("user night"));
    EXPECT_EQ(record("phone"), "5551234");
    EXPECT_EQ(record("password"), password); // it came through the pipe
}

TEST_F(PppdDialupTest, ThePasswordIsInNoProcessCommandLineOrEnvironment) {
    play("say Serial connection established.\nhold\n");
    ASSERT_EQ(dial(), 0u);
    recorder.waitFor(1);
    ASSERT_EQ(record("password"), password);

    const QByteArray secret = password.toUtf8();
    int processesSeen = 0;
    for (const QString& pid : QDir("/proc").entryList(QDir::Dirs)) {
        if (pid.toInt() <= 0)
            continue;
        ++processesSeen;
        for (const char* what : {"cmdline", "environ"})
            EXPECT_FALSE(readFile("/proc/" + pid + "/" + what).contains(secret))
                << "process " << pid.toStdString() << " " << what;
    }
    EXPECT_GT(processesSeen, 1);
    service->hangUp(handle);
}

TEST_F(PppdDialupTest, EachExitStatusGivesItsErrorCode) {
    const std::vector<std::pair<int, std::uint32_t>> table{
        {19, 691}, {16, 628}, {15, 629}, {5, 631},  {6, 602}, {7, 615}, {4, 630},
        {1, 635},  {2, 635},  {10, 635}, {11, 635}, {0, 635}, {18, 630}};
    for (const auto& [status, error] : table)
        EXPECT_EQ(errorOf("exit " + QByteArray::number(status) + "\n"), error)
            << "exit status " << status;
}

TEST_F(PppdDialupTest, AFailedConnectScriptGivesTheModemAnswerChatSaw) {
    const QByteArray chatStart = "say abort on (BUSY)\nsay abort on (NO CARRIER)\n"
                                 "say send (ATDT5551234^M)\nsay expect (CONNECT)\n";
    const std::vector<std::pair<QByteArray, std::uint32_t>> table{
        {"say Failed (BUSY)\n", 676},       {"say Failed (VOICE)\n", 677},
        {"say Failed (NO ANSWER)\n", 678},  {"say alarm\nsay  -- read timed out\n", 678},
        {"say Failed (NO CARRIER)\n", 679}, {"say Failed (NO DIALTONE)\n", 680},
        {"say NO DIAL TONE\r\n", 680},      {"say Connect script failed\n", 635}};
    for (const auto& [answer, error] : table)
        EXPECT_EQ(errorOf(chatStart + answer + "exit 8\n"), error) << answer.toStdString();
}

TEST_F(PppdDialupTest, AFailureAfterSomeStatesIsReportedAtTheLastState) {
    play("say Serial connection established.\n"
         "say rcvd [CHAP Challenge id=0x1 <...>, name = \"isp\"]\n"
         "say CHAP authentication failed\n"
         "exit 19\n");
    ASSERT_EQ(dial(), 0u);
    EXPECT_EQ(recorder.waitFor(3), (std::vector{report(3), report(19), report(19, 691)}));
}

TEST_F(PppdDialupTest, AnEntryWithoutAPeersFileFailsAtOnceWithoutStartingPppd) {
    for (const QString& entry : {QStringLiteral("nowhere"), QStringLiteral("../peers/isp"),
                                 QStringLiteral(""), QStringLiteral("..")}) {
        ConnectionHandle untouched = NoConnection;
        EXPECT_EQ(service->dial({entry, "u", "p", "1"}, recorder.callback(), untouched), 623u);
        EXPECT_EQ(untouched, NoConnection);
    }
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(recorder.reports().empty());
    EXPECT_FALSE(QFile::exists(dir.filePath("record/args")));
}

TEST_F(PppdDialupTest, AMissingPppdFailsTheDialAtOnce) {
    service = makePppdDialup(
        {dir.filePath("no-pppd"), dir.filePath("peers"), dir.filePath("net"), dir.filePath("run")});
    EXPECT_NE(dial(), 0u);
}

TEST_F(PppdDialupTest, HangingUpADialEndsPppdAndSilencesIt) {
    play("say Serial connection established.\nhold\n");
    ASSERT_EQ(dial(), 0u);
    ASSERT_EQ(recorder.waitFor(1).size(), 1u);
    service->hangUp(handle);
    std::this_thread::sleep_for(800ms);
    EXPECT_EQ(recorder.reports(), std::vector{report(3)});
    service->hangUp(handle); // a second hang-up of the same handle is harmless
}

TEST_F(PppdDialupTest, GoingAwayEndsADialStillUnderWay) {
    play("say Serial connection established.\nhold\n");
    ASSERT_EQ(dial(), 0u);
    ASSERT_EQ(recorder.waitFor(1).size(), 1u);
    const auto started = std::chrono::steady_clock::now();
    service.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
    EXPECT_EQ(recorder.reports().size(), 1u);
}

TEST_F(PppdDialupTest, AnErrorReportMayHangUpFromInsideTheCallback) {
    play("exit 16\n");
    std::atomic<int> calls = 0;
    ConnectionHandle own = NoConnection;
    ASSERT_EQ(service->dial(
                  {"isp", "u", "p", "1"},
                  [&](std::uint32_t, std::int32_t, std::uint32_t) {
                      service->hangUp(own);
                      ++calls;
                  },
                  own),
              0u);
    EXPECT_TRUE(eventually([&] { return calls == 1; }));
}

} // namespace
