#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include "platform/dialup_service.h"

using namespace larkspur::platform;

namespace {

// A sysfs class folder of network interfaces made by hand, and the pid files beside.
class PppInterfacesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        QDir(dir.path()).mkdir("net");
        QDir(dir.path()).mkdir("run");
        service = makePppdDialup({QStringLiteral(LARKSPUR_PPPD_STANDIN), dir.filePath("peers"),
                                  dir.filePath("net"), dir.filePath("run")},
                                 {}, {std::chrono::seconds(30), std::chrono::milliseconds(400)});
    }

    void addInterface(const QString& name, int index, int type, const char* flags) {
        const QString folder = dir.filePath("net/" + name);
        QDir().mkpath(folder);
        write(folder + "/ifindex", QByteArray::number(index) + "\n");
        write(folder + "/type", QByteArray::number(type) + "\n");
        write(folder + "/flags", QByteArray(flags) + "\n");
    }

    void write(const QString& path, const QByteArray& content) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    // A process whose program name is pppd, as a real one's would be.
    void startHeldPppd(QProcess& process, const QByteArray& scenario = "hold\n") {
        write(dir.filePath("scenario"), scenario);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("STANDIN_SCENARIO", dir.filePath("scenario"));
        environment.insert("STANDIN_RECORD", dir.path());
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(LARKSPUR_PPPD_STANDIN), {});
        ASSERT_TRUE(process.waitForStarted());
        for (int tries = 0; tries < 100 && !QFile::exists(dir.filePath("waiting")); ++tries)
            QThread::msleep(50); // its signal handling is set up
    }

    QTemporaryDir dir;
    std::unique_ptr<DialupService> service;
};

TEST_F(PppInterfacesTest, ListsThePppInterfacesThatAreUpByInterfaceIndex) {
    EXPECT_TRUE(service->activeConnections().empty());
    addInterface("eth0", 2, 1, "0x1003");   // not PPP
    addInterface("ppp3", 9, 512, "0x1091"); // up
    addInterface("ppp1", 4, 512, "0x11");   // up
    addInterface("ppp2", 6, 512, "0x1090"); // down
    EXPECT_EQ(service->activeConnections(), (std::vector<ConnectionHandle>{4, 9}));
}

TEST_F(PppInterfacesTest, HangingUpAListedConnectionEndsThePppdOfItsPidFile) {
    addInterface("ppp0", 4, 512, "0x1091");
    QProcess pppd;
    startHeldPppd(pppd);
    write(dir.filePath("run/ppp0.pid"), QByteArray::number(pppd.processId()) + "\nppp0\n");

    service->hangUp(5); // no such connection
    EXPECT_FALSE(pppd.waitForFinished(300));
    service->hangUp(4);
    ASSERT_TRUE(pppd.waitForFinished(5000));
    EXPECT_EQ(pppd.exitCode(), 5);
}

TEST_F(PppInterfacesTest, APppdThatIgnoresSigtermIsKilledAfterTheGracePeriod) {
    addInterface("ppp0", 4, 512, "0x1091");
    QProcess pppd;
    startHeldPppd(pppd, "stubborn\n");
    write(dir.filePath("run/ppp0.pid"), QByteArray::number(pppd.processId()) + "\n");
    service->hangUp(4); // returns at once: the grace period passes on a thread of its own
    EXPECT_FALSE(pppd.waitForFinished(200));
    ASSERT_TRUE(pppd.waitForFinished(5000));
    EXPECT_EQ(pppd.exitStatus(), QProcess::CrashExit); // killed
}

TEST_F(PppInterfacesTest, AStalePidFileOfAnotherProgramIsLeftAlone) {
    addInterface("ppp0", 4, 512, "0x1091");
    QProcess other;
    other.start("sleep", {"30"});
    ASSERT_TRUE(other.waitForStarted());
    write(dir.filePath("run/ppp0.pid"), QByteArray::number(other.processId()) + "\n");
    service->hangUp(4);
    EXPECT_FALSE(other.waitForFinished(500));
    other.kill();
    other.waitForFinished();
}

} // namespace
