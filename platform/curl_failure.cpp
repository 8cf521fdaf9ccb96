#include "platform/curl_failure.h"

#include <cerrno>
#include <cstring>

namespace larkspur::platform {

namespace {

// The client's sentence continues ours, so its capital goes, but not an acronym's: "SSL
// certificate problem" stays as it is.
QString detail(const char* errorText, CURLcode code) {
    const QString text =
        QString::fromLocal8Bit(errorText && *errorText ? errorText : curl_easy_strerror(code));
    const bool acronym = text.size() > 1 && (text[1].isUpper() || text[1].isDigit());
    return text.isEmpty() || acronym ? text : text.front().toLower() + text.mid(1);
}

QString connectFailure(const QByteArray& server, long osError) {
    if (osError == ECONNREFUSED)
        return QStringLiteral("connection refused");
    const QString name = QString::fromLatin1(server);
    if (osError == 0)
        return QStringLiteral("could not connect to %1").arg(name);
    return QStringLiteral("could not connect to %1: %2")
        .arg(name, QString::fromLocal8Bit(std::strerror(int(osError))));
}

} // namespace

QString describeCurlFailure(CURLcode code, const char* errorText, const QByteArray& server,
                            long osError) {
    switch (code) {
    case CURLE_OK:
        return {};
    case CURLE_COULDNT_RESOLVE_HOST:
        return QStringLiteral("could not resolve host %1").arg(QString::fromLatin1(server));
    case CURLE_COULDNT_CONNECT:
        return connectFailure(server, osError);
    case CURLE_OPERATION_TIMEDOUT:
        return QStringLiteral("no connection to %1 in time").arg(QString::fromLatin1(server));
    case CURLE_PEER_FAILED_VERIFICATION:
        return QStringLiteral("certificate not trusted: ") + detail(errorText, code);
    case CURLE_SSL_CONNECT_ERROR:
        return QStringLiteral("secure connection failed: ") + detail(errorText, code);
    case CURLE_UNSUPPORTED_PROTOCOL:
        return QStringLiteral("redirected to a protocol other than http or https: refused");
    case CURLE_TOO_MANY_REDIRECTS:
        return QStringLiteral("too many redirects");
    case CURLE_GOT_NOTHING:
        return QStringLiteral("the server closed the connection without an answer");
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
        return QStringLiteral("the connection dropped");
    default:
        return detail(errorText, code);
    }
}

} // namespace larkspur::platform
