#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <list>
#include <unistd.h>

#include "tests/support/qt_printers.h"

#include "platform/dialup_service.h"
#include "tests/platform/dial_report_recorder.h"

using namespace larkspur::platform;
using larkspur::test::DialReport;
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
        qputenv("STANDIN_NETDIR", dir.filePath("net").toUtf8());
        makeService();
    }

    void makeService() {
        service.reset();
        // Notices come from dial() itself, on this thread.
        service = makePppdDialup(
            {QStringLiteral(LARKSPUR_PPPD_STANDIN), dir.filePath("peers"), dir.filePath("net"),
             dir.filePath("run")},
            [this](const QString& line) { notes << line; }, limits);
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

    pid_t standinPid() const { return record("pid").toInt(); }

    // Dials a pppd that waits after the modem connected, holding or ignoring SIGTERM,
    // and returns once it waits.
    void dialWaiting(const QByteArray& waiting, DialReportRecorder& reports,
                     ConnectionHandle& own) {
        QFile::remove(dir.filePath("record/waiting"));
        play("say Serial connection established.\n" + waiting + "\n");
        ASSERT_EQ(service->dial({"isp", "u", "", "1"}, reports.callback(), own), 0u);
        ASSERT_TRUE(eventually([&] { return QFile::exists(dir.filePath("record/waiting")); }));
    }

    QTemporaryDir dir;
    PppdLimits limits{std::chrono::seconds(30), std::chrono::milliseconds(400)};
    QStringList notes;
    QString password = QStringLiteral("s3cret-Пароль-7");
    DialReportRecorder recorder;
    std::list<DialReportRecorder> failures; // outlive the service's threads
    ConnectionHandle handle = NoConnection;
    std::unique_ptr<DialupService> service;
};

TEST_F(PppdDialupTest, ReportsTheStatesInOrderOnItsOwnThreadThenLeavesTheLineUp) {
    // What pppd writes without its debug option, redialling once (persist).
    play("say Serial connection established.\n"
         "say Using interface ppp7\n"
         "say Connect: ppp7 <--> /dev/ttyS0\n"
         "say Connection terminated.\n"
         "say Serial connection established.\n"
         "say Connect: ppp7 <--> /dev/ttyS0\n"
         "say PAP authentication succeeded\n"
         "up ppp7 12\n"
         "say local  IP address 10.0.0.2\n"
         "say remote IP address 10.0.0.1\n"
         "detach ppp7\n");
    ASSERT_EQ(dial(), 0u);
    EXPECT_NE(handle, NoConnection);

    const auto reports = recorder.waitFor(6);
    EXPECT_EQ(reports,
              (std::vector{report(3), report(19), report(3), report(7), report(14), report(8192)}));
    for (const auto& each : reports)
        EXPECT_NE(each.thread, std::this_thread::get_id());
    std::this_thread::sleep_for(600ms); // pppd's detaching is no failure
    EXPECT_EQ(recorder.reports().size(), 6u);

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
    // No "debug": it would log the authentication's challenges and responses.
    EXPECT_EQ(record("args").split('\n', Qt::SkipEmptyParts),
              (QStringList{"call", "isp", "updetach", "user", "night", "plugin", "passwordfd.so",
                           "passwordfd", "3"}));
    EXPECT_EQ(record("phone"), "5551234");
    EXPECT_EQ(record("password"), password); // it came through the pipe
    EXPECT_TRUE(notes.isEmpty());
}

TEST_F(PppdDialupTest, WithoutRootThePasswordIsLeftToPppdsSecretsAndTheUserToldOnce) {
    limits.runsAsRoot = [] { return false; };
    makeService();
    play("exit 19\n");
    for (int dials = 0; dials < 2; ++dials) {
        ASSERT_EQ(dial(), 0u);
        ASSERT_EQ(recorder.waitFor(dials + 1).size(), dials + 1u);
    }
    EXPECT_EQ(record("args").split('\n', Qt::SkipEmptyParts),
              (QStringList{"call", "isp", "updetach", "user", "night"}));
    EXPECT_FALSE(QFile::exists(dir.filePath("record/password")));
    ASSERT_EQ(notes.size(), 1);
    EXPECT_TRUE(notes[0].contains("/etc/ppp/pap-secrets")) << notes[0].toStdString();
    EXPECT_FALSE(notes[0].contains(password));
}

TEST_F(PppdDialupTest, OnlyDiallingCharactersReachTheConnectScript) {
    play("exit 19\n");
    for (const QString number :
         {"8 800 555 1234", "+7 (495) 123-45-67", "*70,W9P5551234#;", "T!@tpw", ""}) {
        ConnectionHandle ignored = NoConnection;
        EXPECT_EQ(service->dial({"isp", "u", "", number}, recorder.callback(), ignored), 0u);
        EXPECT_TRUE(eventually([&] { return record("phone") == number; })) << number.toStdString();
    }
    EXPECT_TRUE(notes.isEmpty());

    QFile::remove(dir.filePath("record/phone"));
    const std::vector<std::pair<QString, QString>> refused{{"555\n1234", "U+000A"},
                                                           {"555\x01", "U+0001"},
                                                           {"5551234 -f /etc/passwd", "\"f\""},
                                                           {"$(reboot)", "\"$\""},
                                                           {"555\"1234", "\"\"\""}};
    for (const auto& [number, named] : refused) {
        notes.clear();
        ConnectionHandle untouched = NoConnection;
        EXPECT_NE(service->dial({"isp", "u", "", number}, recorder.callback(), untouched), 0u);
        EXPECT_EQ(untouched, NoConnection);
        ASSERT_EQ(notes.size(), 1) << number.toStdString();
        EXPECT_TRUE(notes[0].startsWith("Phone number not dialled") && notes[0].contains(named))
            << notes[0].toStdString();
    }
    std::this_thread::sleep_for(300ms);
    EXPECT_FALSE(QFile::exists(dir.filePath("record/phone"))); // pppd was not started
}

TEST_F(PppdDialupTest, ChildrenGetNoneOfOurDescriptors) {
    // Opened without close-on-exec, as a descriptor we inherited would be.
    const QString marker = dir.filePath("marker");
    writeFile(marker, "x");
    const int inheritable = ::open(QFile::encodeName(marker).constData(), O_RDONLY);
    ASSERT_GE(inheritable, 0);
    play("exit 19\n");
    ASSERT_EQ(dial(), 0u);
    recorder.waitFor(1);
    ::close(inheritable);

    const QString seen = record("fds");
    ASSERT_TRUE(seen.contains("0 /dev/null")) << seen.toStdString();
    EXPECT_FALSE(seen.contains(marker)) << seen.toStdString();
}

// Started with SIGCHLD ignored, the kernel would reap pppd at once and its exit status
// would be lost.
TEST_F(PppdDialupTest, AnIgnoredChildSignalLosesNoExitStatus) {
    const auto previous = std::signal(SIGCHLD, SIG_IGN);
    EXPECT_EQ(errorOf("exit 19\n"), 691u);
    EXPECT_EQ(errorOf("exit 16\n"), 628u);
    std::signal(SIGCHLD, previous);
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
         "say Connect: ppp0 <--> /dev/ttyS0\n"
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

TEST_F(PppdDialupTest, GoingAwayEndsADialStillUnderWayEvenWhenPppdIgnoresSigterm) {
    for (const QByteArray waiting : {"hold", "stubborn"}) {
        DialReportRecorder& ended = failures.emplace_back();
        makeService();
        ConnectionHandle own = NoConnection;
        dialWaiting(waiting, ended, own);
        ASSERT_EQ(ended.waitFor(1).size(), 1u);
        const pid_t pppd = standinPid();
        const auto started = std::chrono::steady_clock::now();
        service.reset();
        EXPECT_LT(std::chrono::steady_clock::now() - started, 5s) << waiting.toStdString();
        EXPECT_TRUE(processGone(pppd)) << waiting.toStdString();
        EXPECT_EQ(ended.reports().size(), 1u);
    }
}

TEST_F(PppdDialupTest, AHangUpEndsAPppdThatIgnoresSigtermAfterTheGracePeriod) {
    dialWaiting("stubborn", recorder, handle);
    ASSERT_EQ(recorder.waitFor(1).size(), 1u);
    const pid_t pppd = standinPid();
    service->hangUp(handle);
    std::this_thread::sleep_for(200ms);
    EXPECT_FALSE(processGone(pppd)); // SIGTERM first, and a grace period
    EXPECT_TRUE(eventually([&] { return processGone(pppd); }));
    EXPECT_EQ(recorder.reports(), std::vector{report(3)});
}

TEST_F(PppdDialupTest, ADialNotUpByItsDeadlineFailsWithTheModemsLastAnswer) {
    limits.dialDeadline = 600ms;
    makeService();
    const std::vector<std::pair<QByteArray, std::vector<DialReport>>> table{
        {"say Serial connection established.\nstubborn\n", {report(3), report(3, 678)}},
        {"say Failed (BUSY)\nsay Connection terminated.\nhold\n", {report(0, 676)}}};
    for (const auto& [scenario, expected] : table) {
        DialReportRecorder& late = failures.emplace_back();
        play(scenario);
        ConnectionHandle own = NoConnection;
        ASSERT_EQ(service->dial({"isp", "u", "", "1"}, late.callback(), own), 0u);
        EXPECT_EQ(late.waitFor(expected.size()), expected) << scenario.toStdString();
        EXPECT_TRUE(eventually([&] { return processGone(standinPid()); }));
    }
}

TEST_F(PppdDialupTest, TheNetworkIsUpOnlyOnANewPppInterfaceTheSystemLists) {
    // Another connection's interface is up already; the far end's echo may say anything.
    QDir(dir.path()).mkpath("net/ppp3");
    writeFile(dir.filePath("net/ppp3/type"), "512\n");
    writeFile(dir.filePath("net/ppp3/flags"), "0x1091\n");
    writeFile(dir.filePath("net/ppp3/ifindex"), "7\n");
    const std::vector<QByteArray> fakes{"say Using interface ../evil\n",
                                        "say Using interface ppp5\n", // not up
                                        "say Using interface ppp3\n"};
    for (const QByteArray& fake : fakes)
        EXPECT_EQ(errorOf(fake + "say local  IP address 10.6.6.6\nexit 8\n"), 635u)
            << fake.toStdString();
}

TEST_F(PppdDialupTest, AHangUpAfterAFakedInterfaceNameReadsNoPidFileOutsideItsFolder) {
    // A "pppd" whose pid sits where "../evil" would lead a careless hang-up.
    QProcess victim;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("STANDIN_SCENARIO", dir.filePath("victim"));
    environment.insert("STANDIN_RECORD", dir.filePath("victim-record"));
    QDir(dir.path()).mkdir("victim-record");
    writeFile(dir.filePath("victim"), "hold\n");
    victim.setProcessEnvironment(environment);
    victim.start(QStringLiteral(LARKSPUR_PPPD_STANDIN), {});
    ASSERT_TRUE(victim.waitForStarted());
    writeFile(dir.filePath("evil.pid"), QByteArray::number(victim.processId()) + "\n");

    play("say Using interface ../evil\nsay local  IP address 10.6.6.6\nexit 0\n");
    ASSERT_EQ(dial(), 0u);
    recorder.waitFor(1);
    service->hangUp(handle);
    EXPECT_FALSE(victim.waitForFinished(500));
    victim.terminate();
    victim.waitForFinished();
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
