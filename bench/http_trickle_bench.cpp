// The program's CPU while a transfer trickles at 8 KB/s for 10 s, with a bar and two
// labels updated on every chunk, and while no transfer runs at all: nothing may spin
// when nothing comes.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "bench/cpu_time.h"
#include "bench/machine_load.h"
#include "bench/nginx_server.h"
#include "bench/progress_view.h"
#include "httpget/http_get.h"
#include "platform/http_client.h"

using namespace larkspur::bench;

namespace {

constexpr int Seconds = 10;

// Runs the event loop for `seconds`; the CPU seconds of the whole process meanwhile.
double idleFor(int seconds) {
    const double before = cpuSeconds(RUSAGE_SELF);
    QTimer::singleShot(seconds * 1000, qApp, &QApplication::quit);
    QApplication::exec();
    return cpuSeconds(RUSAGE_SELF) - before;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("www/slow"));
    QFile source(dir.filePath(QStringLiteral("www/slow/file.bin")));
    if (!source.open(QIODevice::WriteOnly) || source.write(QByteArray(1024 * 1024, 't')) < 0)
        return 1;
    source.close();
    NginxServer nginx(dir.filePath(QStringLiteral("www")));
    const MachineLoad load;

    ProgressView view;
    auto http = larkspur::platform::makeCurlHttpClientFactory();
    QObject owner;
    THTTPGet get(&owner, *http);
    get.URL = nginx.url(QStringLiteral("/slow/file.bin"));
    get.FileName = dir.filePath(QStringLiteral("out.bin"));
    get.BinaryData = true;
    std::int32_t received = 0;
    int chunks = 0;
    get.OnProgress = [&](QObject*, std::int32_t total, std::int32_t readed) {
        view.update(total, readed);
        received = readed;
        ++chunks;
    };

    const double guiBefore = threadCpuSeconds();
    get.GetFile();
    const double trickling = idleFor(Seconds);
    const double gui = threadCpuSeconds() - guiBefore;
    get.Abort();
    while (get.busy())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double idle = idleFor(Seconds);

    std::printf("%s\n", qPrintable(load.text()));
    std::printf("no transfer for %d s: process CPU %.3f s (%.2f %% of one core)\n", Seconds, idle,
                idle / Seconds * 100.0);
    std::printf("trickle at 8 KB/s for %d s: %d bytes in %d chunks\n", Seconds, received, chunks);
    std::printf("  process CPU %.3f s (%.2f %% of one core); GUI thread %.3f s\n", trickling,
                trickling / Seconds * 100.0, gui);
    return 0;
}
