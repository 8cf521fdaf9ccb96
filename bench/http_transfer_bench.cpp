// Side by side on one loopback nginx and one large file, over plain HTTP and over TLS (a
// throwaway certificate that every tool is told to trust): the fetch component without a
// progress handler, with an empty one, with a bar and two labels updated on every chunk,
// and with the main window's own handlers on a real main window, against curl and wget.
// For each handler the worker's round trips of the synchronous GUI call are shown too, for
// every row the CPU per megabyte, and a control row runs without a handler while a second
// process keeps one processor busy. An argument keeps curl and the rows whose name holds it.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

#include "bench/bench_window.h"
#include "bench/cpu_time.h"
#include "bench/machine_load.h"
#include "bench/nginx_server.h"
#include "bench/progress_view.h"
#include "framework/paint_pacer.h"
#include "framework/round_trip_log.h"
#include "framework/thread.h"
#include "httpget/http_get.h"
#include "httpget/http_get_thread.h"
#include "httpget/received_bytes.h"
#include "platform/http_client.h"
#include "testtls/test_certificates.h"

using namespace larkspur::bench;

namespace {

constexpr qint64 FileSize = 256LL * 1024 * 1024;
constexpr std::size_t MostCalls = FileSize / 1000 + 16;
// Each scheme's rows run this many times by turns, and each row shows its run of median
// time: a machine whose speed drifts moves every row alike.
constexpr int Rounds = 3;
constexpr const char* MainWindowRow = "  main window's own handlers";

struct Figures {
    const char* name;
    double seconds;
    double cpu;
    bool complete;
    double medianRoundTrip = -1; // microseconds; negative: no calls
    double slowRoundTrip = -1;   // the 99th percentile
    double framesPerSecond = -1; // how often the byte count was painted; negative: not shown
};

// Counts the paints of one widget.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

void writeSourceFile(const QString& path) {
    QByteArray block(1024 * 1024, Qt::Uninitialized);
    for (qsizetype i = 0; i < block.size(); ++i)
        block[i] = char(QRandomGenerator::global()->generate());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw std::runtime_error("cannot write the source file");
    for (qint64 written = 0; written < FileSize; written += block.size())
        file.write(block);
}

// One transfer by `get` with whatever handlers it was given, timed, its calls logged.
Figures runTransfer(const char* name, THTTPGet& get, const QString& url, const QString& target) {
    larkspur::RoundTripLog roundTrips(MostCalls);
    larkspur::Thread::setRoundTripLog(&roundTrips);
    get.URL = url;
    get.FileName = target;
    const double cpuBefore = cpuSeconds(RUSAGE_SELF);
    QElapsedTimer clock;
    clock.start();
    get.GetFile();
    Figures figures{name, double(clock.nsecsElapsed()) / 1e9, cpuSeconds(RUSAGE_SELF) - cpuBefore,
                    get.LastSucceeded && QFileInfo(target).size() == FileSize};
    larkspur::Thread::setRoundTripLog(nullptr);
    if (roundTrips.size() > 0) {
        figures.medianRoundTrip = roundTrips.percentile(50);
        figures.slowRoundTrip = roundTrips.percentile(99);
    }
    QFile::remove(target);
    return figures;
}

enum class Progress { None, Empty, BarAndLabels };

Figures runComponent(const char* name, Progress progress, const QString& url, const QString& target,
                     const QString& caFile) {
    ProgressView view;
    auto http = larkspur::platform::makeCurlHttpClientFactory(
        larkspur::platform::DefaultHttpInactivityLimit, QFile::encodeName(caFile));
    QObject owner;
    THTTPGet get(&owner, *http);
    get.BinaryData = true;
    get.WaitThread = true;
    get.WaitCompanion = [] { return std::make_unique<larkspur::PaintPacer>(); };
    if (progress == Progress::Empty)
        get.OnProgress = [](QObject*, std::int32_t, std::int32_t) {};
    if (progress == Progress::BarAndLabels)
        get.OnProgress = [&view](QObject*, std::int32_t total, std::int32_t readed) {
            view.update(total, readed);
        };
    return runTransfer(name, get, url, target);
}

// The main window's fetch component with the window's own handlers.
Figures runMainWindow(const char* name, const QString& url, const QString& target,
                      const QString& caFile) {
    BenchWindow window(caFile);
    // The byte count changes on every chunk, so its paints are the window's frames.
    const PaintCounter byteCount(window.form().Label15);
    Figures figures = runTransfer(name, *window.form().HTTPGet1, url, target);
    figures.framesPerSecond = byteCount.paints / figures.seconds;
    return figures;
}

// What the worker adds to a transfer before "Downloaded": the running hash of each chunk as
// it arrives, then one read of the whole file back with its SHA-256, timed on its own.
Figures runReadBack(const char* name, const QString& file) {
    QFile source(file);
    source.open(QIODevice::ReadOnly);
    const QByteArray content = source.readAll(); // the file is in the page cache as a download's is
    const double cpuBefore = cpuSeconds(RUSAGE_SELF);
    QElapsedTimer clock;
    clock.start();
    larkspur::ReceivedBytes received;
    received.startAt(0);
    for (qsizetype at = 0; at < content.size(); at += THTTPGetThread::ChunkSize)
        received.add(content.constData() + at,
                     std::min<qsizetype>(THTTPGetThread::ChunkSize, content.size() - at));
    const auto found = received.readBack(
        FileSize,
        [&source](std::int64_t at, std::int64_t count) {
            source.seek(at);
            return source.read(count);
        },
        std::nullopt);
    return {name, double(clock.nsecsElapsed()) / 1e9, cpuSeconds(RUSAGE_SELF) - cpuBefore,
            found.holdsReceivedBytes && found.sha256.size() == 32};
}

Figures runPeer(const char* name, const QStringList& arguments, const QString& target) {
    const double cpuBefore = cpuSeconds(RUSAGE_CHILDREN);
    QElapsedTimer clock;
    clock.start();
    QProcess peer;
    peer.start(QString::fromLatin1(name), arguments);
    peer.waitForFinished(-1);
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    Figures figures{name, seconds, cpuSeconds(RUSAGE_CHILDREN) - cpuBefore,
                    peer.exitCode() == 0 && QFileInfo(target).size() == FileSize};
    QFile::remove(target);
    return figures;
}

void writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

// A process of its own that keeps one processor busy while it lives, so that a row shows
// what the loopback server's share of the processors does to the figures.
class BusyCore {
public:
    BusyCore() {
        spinner_.start(QStringLiteral("sh"),
                       {QStringLiteral("-c"), QStringLiteral("while :; do :; done")});
        spinner_.waitForStarted();
    }
    ~BusyCore() {
        spinner_.kill();
        spinner_.waitForFinished();
    }
    BusyCore(const BusyCore&) = delete;
    BusyCore& operator=(const BusyCore&) = delete;

private:
    QProcess spinner_;
};

// Each tool over one scheme, in the order printed: curl, and the rows whose name holds
// `only`.
QList<Figures> runAll(const QString& url, const QString& target, const QString& caFile,
                      const QString& only) {
    const auto wanted = [&only](const char* name) {
        return QString::fromUtf8(name).contains(only);
    };
    QList<Figures> results;
    results.append(runPeer("curl", {"-s", "--cacert", caFile, "-o", target, url}, target));
    if (wanted("wget"))
        results.append(
            runPeer("wget", {"-q", "--ca-certificate=" + caFile, "-O", target, url}, target));
    const std::pair<const char*, Progress> variants[] = {
        {"THTTPGet without progress handler", Progress::None},
        {"  with an empty handler", Progress::Empty},
        {"  with a bar and two labels", Progress::BarAndLabels}};
    for (const auto& [name, progress] : variants)
        if (wanted(name))
            results.append(runComponent(name, progress, url, target, caFile));
    if (wanted(MainWindowRow))
        results.append(runMainWindow(MainWindowRow, url, target, caFile));
    if (const char* name = "  no handler, one core kept busy"; wanted(name)) {
        const BusyCore busy;
        results.append(runComponent(name, Progress::None, url, target, caFile));
    }
    return results;
}

// Row by row, the run of median time among rounds of the same rows.
QList<Figures> medianRows(const QList<QList<Figures>>& rounds) {
    QList<Figures> rows;
    for (qsizetype row = 0; row < rounds.first().size(); ++row) {
        QList<Figures> runs;
        for (const QList<Figures>& round : rounds)
            runs.append(round[row]);
        std::sort(runs.begin(), runs.end(),
                  [](const Figures& a, const Figures& b) { return a.seconds < b.seconds; });
        rows.append(runs[runs.size() / 2]);
    }
    return rows;
}

// The read-back's own cost against the main window's row over http, which includes it.
void printReadBackShare(const Figures& readBack, const QList<Figures>& httpRows) {
    const auto mainWindow = std::find_if(httpRows.begin(), httpRows.end(), [](const Figures& row) {
        return QByteArray(row.name) == MainWindowRow;
    });
    if (mainWindow == httpRows.end())
        return;
    std::printf("%-34s %8.2f s %7.2f CPU s: %.1f %% of the time and %.1f %% of the CPU of the "
                "main window's row over http, which includes it\n",
                readBack.name, readBack.seconds, readBack.cpu,
                100 * readBack.seconds / mainWindow->seconds, 100 * readBack.cpu / mainWindow->cpu);
}

void print(const Figures& figures, const Figures& curl) {
    const double megabytesPerSecond = double(FileSize) / 1e6 / figures.seconds;
    const double curlRate = double(FileSize) / 1e6 / curl.seconds;
    const double cpuPerMegabyte = figures.cpu * 1e3 / (double(FileSize) / 1e6);
    std::printf("%-34s %8.1f %7.2f %8.2f %10.2f %9.2f", figures.name, megabytesPerSecond,
                figures.cpu, cpuPerMegabyte, megabytesPerSecond / curlRate, figures.cpu / curl.cpu);
    if (figures.medianRoundTrip >= 0)
        std::printf(" %9.1f %9.1f", figures.medianRoundTrip, figures.slowRoundTrip);
    if (figures.framesPerSecond >= 0)
        std::printf(" %9.0f", figures.framesPerSecond);
    std::printf("%s\n", figures.complete ? "" : "  (INCOMPLETE)");
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QString only = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    QTemporaryDir dir;
    QDir(dir.path()).mkdir(QStringLiteral("www"));
    const QString source = dir.filePath(QStringLiteral("www/big.bin"));
    writeSourceFile(source);
    const larkspur::test::TestCertificateAuthority ca;
    const larkspur::test::TlsIdentity identity =
        ca.issue(QString::fromLatin1(NginxServer::Address));
    const QString caFile = dir.filePath(QStringLiteral("ca.pem"));
    ca.writeCertificate(caFile);
    NginxServer::Certificate certificate{dir.filePath(QStringLiteral("server.pem")),
                                         dir.filePath(QStringLiteral("server.key"))};
    writeFile(certificate.certificateFile, identity.certificatePem);
    writeFile(certificate.keyFile, identity.keyPem);
    NginxServer nginx(dir.filePath(QStringLiteral("www")), certificate);
    const QString target = dir.filePath(QStringLiteral("out.bin"));
    const MachineLoad load;

    const std::pair<const char*, QString> schemes[] = {
        {"http://", nginx.url(QStringLiteral("/big.bin"))},
        {"https://", nginx.secureUrl(QStringLiteral("/big.bin"))}};
    QList<std::pair<const char*, QList<Figures>>> runs;
    for (const auto& [scheme, url] : schemes) {
        QList<QList<Figures>> rounds;
        for (int round = 0; round < Rounds; ++round)
            rounds.append(runAll(url, target, caFile, only));
        runs.append({scheme, medianRows(rounds)});
    }

    std::printf(
        "%lld MiB over loopback nginx, each row the median of %d runs by turns; MB = 10^6 "
        "bytes; CPU = user + system seconds of "
        "the whole process, ms/MB = CPU milliseconds per MB; \"one core kept busy\": a second "
        "process spins meanwhile; ratios against curl over the same scheme; call = the "
        "worker's round trip of the synchronous GUI call, median and 99th percentile; "
        "paints/s = how often the main window painted its byte count\n",
        FileSize / (1024 * 1024), Rounds);
    std::printf("%s\n", qPrintable(load.text()));
    std::printf("%-34s %8s %7s %8s %10s %9s %9s %9s %9s\n", "tool", "MB/s", "CPU s", "ms/MB",
                "speed/curl", "CPU/curl", "call µs", "p99 µs", "paints/s");
    for (const auto& [scheme, results] : runs) {
        std::printf("%s\n", scheme);
        for (const Figures& figures : results)
            print(figures, results.first());
    }
    printReadBackShare(runReadBack("read-back and SHA-256 alone", source), runs.first().second);
    return 0;
}
