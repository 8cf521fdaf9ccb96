// The scripted HTTP server as a program of its own, for the end-to-end scenarios.
// Serves the files of a folder; the folder part of a request's path chooses how:
//   /plain/F       the file, honouring Range
//   /dropN/F       the first N answers are cut at random offsets, later ones whole
//   /norange/F     the first answer is cut halfway, later ones ignore Range (200, whole)
//   /badrange/F    the first answer is cut halfway, later ones are a 206 from a wrong offset
//   /stall/F       the first answer falls silent halfway, later ones whole
//   /rateN/F       the file trickled at N bytes per second
//   /statusN/F     status N with an HTML body
//   /etagN/F       trickled at N bytes per second with an entity tag of the file's content,
//                  and a range only when If-Range names the file as it now is
//   /lastmodN/F    the same with the file's modification time as its validator
//   /digest/F      the file with its SHA-256 as Repr-Digest; the first answer's is wrong
// A file changed on disk is served as it now is.
// Prints its base address ("http://127.x.y.z") on the first line, then logs each request
// as "<milliseconds since start> <method> <target> <range>" until it is killed.
#include <QByteArray>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMap>
#include <QRegularExpression>
#include <cstdio>
#include <mutex>
#include <random>

#include "tests/support/http_server.h"

using larkspur::test::RecordedRequest;
using larkspur::test::ScriptedReply;

namespace {

struct Route {
    QString mode;
    qint64 number = 0;
    QString file;
};

Route routeOf(const QByteArray& target) {
    static const QRegularExpression pattern(QStringLiteral("^/([a-z]+)(\\d*)/(.+)$"));
    const auto match = pattern.match(QString::fromUtf8(target));
    if (!match.hasMatch())
        return {};
    return {match.captured(1), match.captured(2).toLongLong(), match.captured(3)};
}

class Scenarios {
public:
    explicit Scenarios(QString root) : root_(std::move(root)) {}

    ScriptedReply answer(const RecordedRequest& request) {
        const Route route = routeOf(request.target);
        const QByteArray content = file(route.file);
        if (route.mode == QLatin1String("status"))
            return {int(route.number), "<html><body>error page</body></html>"};
        if (content.isNull())
            return {404, "<html><body>no such file</body></html>"};
        if (route.mode == QLatin1String("etag") || route.mode == QLatin1String("lastmod"))
            return validated(route, content, request);
        const int seen = answered_[request.target]++;
        ScriptedReply reply = larkspur::test::fileReply(content, request, allowsRange(route, seen));
        if (route.mode == QLatin1String("drop") && seen < route.number)
            reply.dropAfter = randomOffset(reply.body.size());
        else if (route.mode == QLatin1String("stall") && seen == 0)
            reply.stallAfter = reply.body.size() / 2;
        else if ((route.mode == QLatin1String("norange") ||
                  route.mode == QLatin1String("badrange")) &&
                 seen == 0)
            reply.dropAfter = reply.body.size() / 2;
        else if (route.mode == QLatin1String("badrange"))
            reply = wrongOffset(content, reply);
        else if (route.mode == QLatin1String("rate"))
            reply.bytesPerSecond = int(route.number);
        else if (route.mode == QLatin1String("digest"))
            reply.headers.append("Repr-Digest: sha-256=:" +
                                 sha256(seen == 0 ? content + "x" : content).toBase64() + ":");
        return reply;
    }

    // The file as a server with validators sends it.
    ScriptedReply validated(const Route& route, const QByteArray& content,
                            const RecordedRequest& request) {
        const QByteArray validator = route.mode == QLatin1String("etag")
                                         ? '"' + sha256(content).toHex().left(16) + '"'
                                         : httpDate(modified_[route.file]);
        const auto ifRange = request.header("If-Range");
        ScriptedReply reply =
            larkspur::test::fileReply(content, request, !ifRange || *ifRange == validator);
        reply.headers +=
            {(route.mode == QLatin1String("etag") ? "ETag: " : "Last-Modified: ") + validator,
             "Date: " + httpDate(QDateTime::currentDateTimeUtc())};
        reply.bytesPerSecond = int(route.number);
        return reply;
    }

private:
    static QByteArray sha256(const QByteArray& bytes) {
        return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
    }

    static QByteArray httpDate(const QDateTime& time) {
        return QLocale::c()
            .toString(time.toUTC(), QStringLiteral("ddd, dd MMM yyyy hh:mm:ss 'GMT'"))
            .toLatin1();
    }

    static bool allowsRange(const Route& route, int seen) {
        return !(route.mode == QLatin1String("norange") && seen > 0);
    }

    // A 206 that claims to start 100 bytes past where it was asked to.
    static ScriptedReply wrongOffset(const QByteArray& content, ScriptedReply reply) {
        if (reply.status != 206)
            return reply;
        const qint64 start = content.size() - reply.body.size() + 100;
        reply.body = content.mid(start);
        reply.headers = {"Content-Range: bytes " + QByteArray::number(start) + "-" +
                         QByteArray::number(content.size() - 1) + "/" +
                         QByteArray::number(content.size())};
        return reply;
    }

    qint64 randomOffset(qint64 size) {
        return std::uniform_int_distribution<qint64>(size / 10, size * 9 / 10)(random_);
    }

    QByteArray file(const QString& name) {
        const QFileInfo info(root_ + QLatin1Char('/') + name);
        const QDateTime changed = info.lastModified();
        if (!files_.contains(name) || modified_[name] != changed) {
            QFile f(info.filePath());
            files_[name] = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
            modified_[name] = changed;
        }
        return files_[name];
    }

    QString root_;
    QMap<QString, QByteArray> files_;
    QMap<QString, QDateTime> modified_;
    QMap<QByteArray, int> answered_;
    std::mt19937_64 random_{std::random_device{}()};
};

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: e2e_server FOLDER\n");
        return 2;
    }
    Scenarios scenarios(QString::fromLocal8Bit(argv[1]));
    std::mutex mutex;
    QElapsedTimer clock;
    clock.start();
    larkspur::test::TestHttpServer server([&](const RecordedRequest& request) {
        const std::lock_guard lock(mutex);
        std::printf("%lld %s %s %s\n", static_cast<long long>(clock.elapsed()),
                    request.method.constData(), request.target.constData(),
                    request.header("Range").value_or("-").constData());
        std::fflush(stdout);
        return scenarios.answer(request);
    });
    std::printf("%s\n", server.url({}).toUtf8().constData());
    std::fflush(stdout);
    return application.exec();
}
