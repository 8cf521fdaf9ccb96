// The queue driver of a real main window working through 1,000 files of 1 KB from a
// loopback nginx, against wget given the same list, by turns; files per second, also over
// the first and the last 100 files, so that a list, log or memo that slows down as it grows
// shows.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
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
constexpr int Rounds = 5; // runs of the window, each between two of wget

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

// A memory file system where there is one: how fast a disk makes new files drifts from run
// to run, by more than the tools differ, and both write the same files anyway.
QString scratchRoot() {
    const QString memory = QStringLiteral("/dev/shm");
    return QFileInfo(memory).isWritable() ? memory : QDir::tempPath();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QTemporaryDir dir(scratchRoot() + QStringLiteral("/queue_bench-XXXXXX"));
    QDir(dir.path()).mkdir(QStringLiteral("www"));
    NginxServer nginx(dir.filePath(QStringLiteral("www")));
    const QStringList urls = writeFiles(dir.filePath(QStringLiteral("www")), nginx);
    const MachineLoad load;

    // wget and the window by turns, each into a new folder, wget first and last: a machine
    // whose speed drifts during the run moves both alike, and the medians are compared.
    std::vector<Run> wgetRuns;
    std::vector<Run> windowRuns;
    std::vector<std::vector<double>> doneAts;
    for (int round = 0; round <= Rounds; ++round) {
        const QString suffix = QString::number(round);
        wgetRuns.push_back(runWget(urls, dir.filePath(QStringLiteral("wget") + suffix)));
        if (round == Rounds)
            break;
        double cpu = 0;
        doneAts.push_back(runWindow(urls, dir.filePath(QStringLiteral("window") + suffix), cpu));
        windowRuns.push_back({doneAts.back().empty() ? 0 : doneAts.back().back(), cpu});
    }
    const auto rates = [](const std::vector<Run>& runs) {
        std::vector<double> result;
        for (const Run& run : runs)
            result.push_back(rate(FileCount, run.seconds));
        return result;
    };
    const auto cpus = [](const std::vector<Run>& runs) {
        std::vector<double> result;
        for (const Run& run : runs)
            result.push_back(run.cpu);
        return result;
    };
    const std::vector<double> wgetRates = rates(wgetRuns);
    const std::vector<double> windowRates = rates(windowRuns);
    const double wgetRate = median(wgetRates);
    const double windowRate = median(windowRates);
    const auto middle = std::find(windowRates.begin(), windowRates.end(), windowRate);
    const std::vector<double>& doneAt = doneAts[std::size_t(middle - windowRates.begin())];
    const int done = int(doneAt.size());

    std::printf("%d files of 1 KB over loopback nginx into %s; %s\n", FileCount,
                qPrintable(scratchRoot()), qPrintable(load.text()));
    std::printf("%-34s %9s %9s %9s\n", "", "files/s", "of wget", "CPU s");
    const auto row = [wgetRate](const char* name, double filesPerSecond, double cpu) {
        std::printf("%-34s %9.0f %9.2f", name, filesPerSecond, filesPerSecond / wgetRate);
        if (cpu >= 0)
            std::printf(" %9.2f", cpu);
        std::printf("\n");
    };
    const auto each = [](const char* name, const std::vector<double>& values) {
        std::printf("  %s, each run:", name);
        for (const double value : values)
            std::printf(" %.0f", value);
        std::printf("\n");
    };
    const QByteArray wgetName =
        QStringLiteral("wget -i (median of %1 runs)").arg(Rounds + 1).toLatin1();
    const QByteArray windowName =
        QStringLiteral("main window, queue driver (of %1)").arg(Rounds).toLatin1();
    row(wgetName.constData(), wgetRate, median(cpus(wgetRuns)));
    row(windowName.constData(), windowRate, median(cpus(windowRuns)));
    each("wget", wgetRates);
    each("main window", windowRates);
    if (done != FileCount)
        std::printf("  (only %d files done)\n", done);
    std::printf("  connections opened: %d for %d files (wget: %d for %d)\n",
                nginx.connectionsOf(QStringLiteral("Corvane")), int(windowRuns.size()) * FileCount,
                nginx.connectionsOf(QStringLiteral("Wget")), int(wgetRuns.size()) * FileCount);
    if (done >= 2 * Edge) {
        row("  first 100 files", rate(Edge, doneAt[Edge - 1]), -1);
        row("  last 100 files", rate(Edge, doneAt[done - 1] - doneAt[done - Edge - 1]), -1);
    }
    return 0;
}
