// Side by side on one loopback nginx and one large file: the fetch component, with a
// progress handler that drives a real progress bar and two labels, against curl and wget,
// over plain HTTP and over TLS (a throwaway certificate that every tool is told to trust).
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <cstdio>

#include "bench/cpu_time.h"
#include "bench/nginx_server.h"
#include "bench/progress_view.h"
#include "httpget/http_get.h"
#include "platform/http_client.h"
#include "tests/support/test_certificates.h"

using namespace larkspur::bench;

namespace {

constexpr qint64 FileSize = 256LL * 1024 * 1024;

struct Figures {
    const char* name;
    double seconds;
    double cpu;
    bool complete;
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

enum class Progress { None, Empty, Window };

// The component with no progress handler, an empty one, or the window's.
Figures runComponent(const char* name, Progress progress, const QString& url, const QString& target,
                     const QString& caFile) {
    larkspur::bench::ProgressView view;
    auto http = larkspur::platform::makeCurlHttpClientFactory(
        larkspur::platform::DefaultHttpInactivityLimit, QFile::encodeName(caFile));
    QObject owner;
    THTTPGet get(&owner, *http);
    get.URL = url;
    get.FileName = target;
    get.BinaryData = true;
    get.WaitThread = true;
    if (progress == Progress::Empty)
        get.OnProgress = [](QObject*, std::int32_t, std::int32_t) {};
    if (progress == Progress::Window)
        get.OnProgress = [&view](QObject*, std::int32_t total, std::int32_t readed) {
            view.update(total, readed);
        };
    const double cpuBefore = cpuSeconds(RUSAGE_SELF);
    QElapsedTimer clock;
    clock.start();
    get.GetFile();
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    return {name, seconds, cpuSeconds(RUSAGE_SELF) - cpuBefore,
            get.LastSucceeded && QFileInfo(target).size() == FileSize};
}

Figures runPeer(const char* name, const QStringList& arguments, const QString& target) {
    const double cpuBefore = cpuSeconds(RUSAGE_CHILDREN);
    QElapsedTimer clock;
    clock.start();
    QProcess peer;
    peer.start(QString::fromLatin1(name), arguments);
    peer.waitForFinished(-1);
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    return {name, seconds, cpuSeconds(RUSAGE_CHILDREN) - cpuBefore,
            peer.exitCode() == 0 && QFileInfo(target).size() == FileSize};
}

void writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

// Each tool over one scheme, in the order printed.
QList<Figures> runAll(const QString& url, const QString& target, const QString& caFile) {
    QList<Figures> results;
    results.append(runPeer("curl", {"-s", "--cacert", caFile, "-o", target, url}, target));
    QFile::remove(target);
    results.append(
        runPeer("wget", {"-q", "--ca-certificate=" + caFile, "-O", target, url}, target));
    QFile::remove(target);
    const std::pair<const char*, Progress> variants[] = {
        {"THTTPGet", Progress::Window},
        {"  without progress handler", Progress::None},
        {"  with an empty handler", Progress::Empty}};
    for (const auto& [name, progress] : variants) {
        results.append(runComponent(name, progress, url, target, caFile));
        QFile::remove(target);
    }
    return results;
}

void print(const Figures& figures, const Figures& curl) {
    const double megabytesPerSecond = double(FileSize) / 1e6 / figures.seconds;
    const double curlRate = double(FileSize) / 1e6 / curl.seconds;
    std::printf("%-28s %9.1f %9.2f %12.2f %12.2f %s\n", figures.name, megabytesPerSecond,
                figures.cpu, megabytesPerSecond / curlRate, figures.cpu / curl.cpu,
                figures.complete ? "" : "(INCOMPLETE)");
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
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

    std::printf("%lld MiB over loopback nginx; MB = 10^6 bytes; CPU = user + system seconds; "
                "ratios against curl over the same scheme\n",
                FileSize / (1024 * 1024));
    std::printf("%-28s %9s %9s %12s %12s\n", "tool", "MB/s", "CPU s", "speed/curl", "CPU/curl");
    const std::pair<const char*, QString> schemes[] = {
        {"http://", nginx.url(QStringLiteral("/big.bin"))},
        {"https://", nginx.secureUrl(QStringLiteral("/big.bin"))}};
    for (const auto& [scheme, url] : schemes) {
        std::printf("%s\n", scheme);
        const QList<Figures> results = runAll(url, target, caFile);
        for (const Figures& figures : results)
            print(figures, results.first());
    }
    return 0;
}
