// The queue driver of a real main window working through 1,000 files of 1 KB from a
// loopback nginx, against wget given the same list; files per second, also over the first
// and the last 100 files, so that a list, log or memo that slows down as it grows shows.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <vector>

#include "bench/bench_window.h"
#include "bench/cpu_time.h"
#include "bench/machine_load.h"
#include "bench/nginx_server.h"
#include "httpget/http_get.h"
#include "widgets/memo.h"

using namespace larkspur::bench;

namespace {

constexpr int FileCount = 1000;
constexpr int Edge = 100; // files at each end whose rate is shown

QStringList writeFiles(const QString& root, const NginxServer& nginx) {
    QStringList urls;
    const QByteArray content(1024, 'q');
    for (int i = 0; i < FileCount; ++i) {
        const QString name = QStringLiteral("file%1.bin").arg(i, 4, 10, QLatin1Char('0'));
        QFile file(root + QLatin1Char('/') + name);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            throw std::runtime_error("cannot write the files to serve");
        urls.append(nginx.url(QLatin1Char('/') + name));
    }
    return urls;
}

struct Run {
    double seconds;
    double cpu; // user + system seconds
};

Run runWget(const QStringList& urls, const QString& dir) {
    QDir().mkpath(dir);
    QFile list(dir + QStringLiteral("/list.txt"));
    if (!list.open(QIODevice::WriteOnly) || list.write(urls.join('\n').toLatin1() + '\n') < 0)
        throw std::runtime_error("cannot write wget's list");
    list.close();
    const double cpuBefore = cpuSeconds(RUSAGE_CHILDREN);
    QElapsedTimer clock;
    clock.start();
    QProcess wget;
    wget.start(QStringLiteral("wget"), {QStringLiteral("-q"), QStringLiteral("-i"), list.fileName(),
                                        QStringLiteral("-P"), dir + QStringLiteral("/wget")});
    wget.waitForFinished(-1);
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    const qsizetype fetched = QDir(dir + QStringLiteral("/wget")).entryList(QDir::Files).size();
    if (wget.exitCode() != 0 || fetched != urls.size())
        std::printf("wget: exit %d, %lld files\n", wget.exitCode(), qint64(fetched));
    return {seconds, cpuSeconds(RUSAGE_CHILDREN) - cpuBefore};
}

// The seconds at which each file was done, from the start of the driver's run; `cpu`
// gets the process's CPU seconds for the run.
std::vector<double> runWindow(const QStringList& urls, const QString& downloads, double& cpu) {
    BenchWindow window;
    TForm1& form = window.form();
    form.DownloadDir = downloads;
    form.Anytime->setChecked(true); // else a run outside the night's window ends it every pass
    QDir().mkpath(downloads);
    form.Memo1->setWindowsText(urls.join(QStringLiteral("\r\n")));
    std::vector<double> doneAt;
    doneAt.reserve(urls.size());
    QElapsedTimer clock;
    form.HTTPGet1->OnDoneFile = [&](QObject* sender, const QString& name, std::int32_t size) {
        form.HTTPGet1DoneFile(sender, name, size);
        doneAt.push_back(double(clock.nsecsElapsed()) / 1e9);
    };
    const double cpuBefore = cpuSeconds(RUSAGE_SELF);
    clock.start();
    form.Download();
    cpu = cpuSeconds(RUSAGE_SELF) - cpuBefore;
    return doneAt;
}

double rate(int files, double seconds) {
    return seconds > 0 ? files / seconds : 0;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QTemporaryDir dir;
    QDir(dir.path()).mkdir(QStringLiteral("www"));
    NginxServer nginx(dir.filePath(QStringLiteral("www")));
    const QStringList urls = writeFiles(dir.filePath(QStringLiteral("www")), nginx);
    const MachineLoad load;

    // wget before and after the window, each into a new folder: how fast a file system
    // makes new files drifts, and the mean of both is the fairer reference.
    const Run wgetBefore = runWget(urls, dir.filePath(QStringLiteral("wget1")));
    double windowCpu = 0;
    const std::vector<double> doneAt =
        runWindow(urls, dir.filePath(QStringLiteral("window")), windowCpu);
    const Run wgetAfter = runWget(urls, dir.filePath(QStringLiteral("wget2")));
    const int done = int(doneAt.size());
    const Run window{done ? doneAt.back() : 0, windowCpu};
    const double wgetRate = rate(FileCount, (wgetBefore.seconds + wgetAfter.seconds) / 2);

    std::printf("%d files of 1 KB over loopback nginx; %s\n", FileCount, qPrintable(load.text()));
    std::printf("%-34s %9s %9s %9s\n", "", "files/s", "of wget", "CPU s");
    const auto row = [wgetRate](const char* name, double filesPerSecond, double cpu) {
        std::printf("%-34s %9.0f %9.2f", name, filesPerSecond, filesPerSecond / wgetRate);
        if (cpu >= 0)
            std::printf(" %9.2f", cpu);
        std::printf("\n");
    };
    row("wget -i (mean of before and after)", wgetRate, -1);
    row("  before", rate(FileCount, wgetBefore.seconds), wgetBefore.cpu);
    row("  after", rate(FileCount, wgetAfter.seconds), wgetAfter.cpu);
    row("main window, queue driver", rate(done, window.seconds), window.cpu);
    if (done != FileCount)
        std::printf("  (only %d files done)\n", done);
    std::printf("  connections opened: %d for %d files (wget, both runs: %d for %d)\n",
                nginx.connectionsOf(QStringLiteral("Corvane")), done,
                nginx.connectionsOf(QStringLiteral("Wget")), 2 * FileCount);
    if (done >= 2 * Edge) {
        row("  first 100 files", rate(Edge, doneAt[Edge - 1]), -1);
        row("  last 100 files", rate(Edge, doneAt[done - 1] - doneAt[done - Edge - 1]), -1);
    }
    return 0;
}
