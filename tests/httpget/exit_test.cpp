#include <QElapsedTimer>
#include <QProcess>

#include "tests/support/qt_printers.h"

#include "tests/httpget/transfer_fixture.h"

using namespace larkspur::test;
using Exit = TransferFixture;

// The program ends soon after it is told to, whatever its transfer is doing: stalled or
// streaming, inside a waiting GetFile or in the background, and without a crash.
TEST_F(Exit, TheProcessEndsWithinTwoSecondsOfQuittingDuringATransfer) {
    ScriptedReply stalled{200, QByteArray(100000, 's')};
    stalled.stallAfter = 10000;
    ScriptedReply streaming{200, QByteArray(64 << 20, 't')};
    streaming.bytesPerSecond = 50 << 20; // the worker calls the GUI thread all along
    const std::tuple<const char*, ScriptedReply, const char*> cases[] = {
        {"stalled, waiting", stalled, "wait"},
        {"stalled, in the background", stalled, "background"},
        {"streaming, in the background", streaming, "background"},
    };
    for (const auto& [name, reply, mode] : cases) {
        server.setScript([&](const RecordedRequest&) { return reply; });
        QProcess program;
        program.start(EXIT_HELPER, {server.url("/f.bin"), target(), mode});
        ASSERT_TRUE(program.waitForReadyRead(10'000)) << name;
        QElapsedTimer clock;
        clock.start();
        const bool ended = program.waitForFinished(2000);
        EXPECT_TRUE(ended) << name << " still runs";
        EXPECT_LT(clock.elapsed(), 2000) << name;
        if (!ended) {
            program.kill();
            program.waitForFinished();
        }
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << name;
        EXPECT_EQ(program.exitCode(), 0) << name << program.readAllStandardError().toStdString();
    }
}
