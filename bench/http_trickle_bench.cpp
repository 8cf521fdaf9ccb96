// The cost on the GUI thread of a transfer that trickles at 8 KB/s for 10 s, with the
// progress bar and labels updated on every chunk.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "bench/cpu_time.h"
#include "bench/nginx_server.h"
#include "bench/progress_view.h"
#include "httpget/http_get.h"
#include "platform/http_client.h"

using namespace larkspur::bench;

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
    const double processBefore = cpuSeconds(RUSAGE_SELF);
    get.GetFile();
    QTimer::singleShot(10'000, &application, &QApplication::quit);
    QApplication::exec();
    const double gui = threadCpuSeconds() - guiBefore;
    const double process = cpuSeconds(RUSAGE_SELF) - processBefore;
    get.Abort();
    while (get.busy())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);

    std::printf("trickle at 8 KB/s for 10 s: %d bytes in %d chunks\n", received, chunks);
    std::printf("GUI thread CPU: %.3f s (%.2f %% of one core); whole process: %.3f s\n", gui,
                gui / 10.0 * 100.0, process);
    return 0;
}
