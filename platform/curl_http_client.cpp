#include <curl/curl.h>
#include <mutex>

#include "platform/curl_failure.h"
#include "platform/curl_transfer.h"
#include "platform/http_client.h"
#include "platform/request_target.h"

namespace larkspur::platform {

namespace {

constexpr long MaxRedirects = 10;

// Header values come from the user: a line break in one would start a header of its own.
bool hasLineBreak(const QByteArray& text) {
    return text.contains('\r') || text.contains('\n');
}

// Characters that would change what the URL names, or that cannot stand in one. A colon
// belongs only inside an IPv6 literal: the port is passed on its own.
bool isAcceptableServer(const QByteArray& server) {
    if (server.isEmpty())
        return false;
    if (server.contains(':') && !(server.startsWith('[') && server.endsWith(']')))
        return false;
    for (const char c : server) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7F || QByteArrayLiteral("/?#@\\").contains(c))
            return false;
    }
    return true;
}

void applyVerb(CURL* easy, const QByteArray& verb) {
    if (verb == "GET")
        curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    else if (verb == "POST")
        curl_easy_setopt(easy, CURLOPT_POST, 1L);
    else
        curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, verb.constData());
}

struct ClientSettings {
    std::chrono::milliseconds inactivityLimit;
    QByteArray testCaFile; // empty: the system's trust store
    std::shared_ptr<CurlMultiPool> multis;
};

struct ConnectionSettings {
    ClientSettings client;
    std::optional<QByteArray> agent;
    QByteArray server;
    std::uint16_t port = 80;
    QByteArray userName;
    QByteArray password;
};

// "scheme://server[:port]": the port only where it is not the scheme's own, so that the
// request names the server as before when none was given.
QByteArray originOf(const ConnectionSettings& connection, bool secure) {
    const std::uint16_t schemePort = secure ? 443 : 80;
    QByteArray origin = (secure ? "https://" : "http://") + connection.server;
    if (connection.port != schemePort)
        origin += ':' + QByteArray::number(connection.port);
    return origin;
}

// Redirects may lead from http to https (never back: see CurlTransfer); each hop is verified
// like the first.
void applyProtocols(CURL* easy, const ClientSettings& client) {
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!client.testCaFile.isEmpty())
        curl_easy_setopt(easy, CURLOPT_CAINFO, client.testCaFile.constData());
    // Through a proxy from the environment, the reply to CONNECT is the proxy's own: only
    // the server's answer inside the tunnel has the status and length of the file.
    curl_easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
}

class CurlRequest : public HttpRequest {
public:
    CurlRequest(const ConnectionSettings& connection, const HttpRequestSettings& request)
        : transfer_(connection.client.inactivityLimit, request.stop, connection.client.multis),
          server_(connection.server) {
        CURL* easy = transfer_.easy();
        const QByteArray url =
            originOf(connection, request.secure) + escapeObjectName(request.objectName);
        curl_easy_setopt(easy, CURLOPT_URL, url.constData());
        curl_easy_setopt(easy, CURLOPT_PATH_AS_IS, 1L); // "/a/../b" is asked for as written
        applyProtocols(easy, connection.client);
        curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(easy, CURLOPT_MAXREDIRS, MaxRedirects);
        curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS,
                         long(connection.client.inactivityLimit.count()));
        curl_easy_setopt(easy, CURLOPT_HTTP_VERSION,
                         request.version == "HTTP/1.0" ? CURL_HTTP_VERSION_1_0
                                                       : CURL_HTTP_VERSION_1_1);
        applyVerb(easy, request.verb);
        if (connection.agent)
            curl_easy_setopt(easy, CURLOPT_USERAGENT, connection.agent->constData());
        if (!request.referrer.isEmpty() && !hasLineBreak(request.referrer))
            curl_easy_setopt(easy, CURLOPT_REFERER, request.referrer.constData());
        if (!connection.userName.isEmpty()) {
            curl_easy_setopt(easy, CURLOPT_HTTPAUTH, CURLAUTH_BASIC);
            curl_easy_setopt(easy, CURLOPT_USERNAME, connection.userName.constData());
            curl_easy_setopt(easy, CURLOPT_PASSWORD, connection.password.constData());
        }
        for (const QByteArray& line : request.accept)
            addHeader(line);
        if (request.reload) {
            transfer_.addHeaderLine("Cache-Control: no-cache");
            transfer_.addHeaderLine("Pragma: no-cache");
        }
        transfer_.addHeaderLine("Expect:"); // the body goes out at once, unasked
    }

    bool addHeader(const QByteArray& header) override {
        if (hasLineBreak(header) || header.indexOf(':') <= 0)
            return false;
        transfer_.addHeaderLine(header);
        return true;
    }

    bool send(const QByteArray& headers, const QByteArray& body) override {
        for (const QByteArray& line : headers.split('\n'))
            if (!line.trimmed().isEmpty())
                addHeader(line.trimmed());
        if (!body.isEmpty()) {
            curl_easy_setopt(transfer_.easy(), CURLOPT_POSTFIELDSIZE_LARGE,
                             curl_off_t(body.size()));
            curl_easy_setopt(transfer_.easy(), CURLOPT_COPYPOSTFIELDS, body.constData());
        }
        return transfer_.start();
    }

    std::optional<QByteArray> queryInfo(HttpInfo info) override {
        if (!transfer_.headersComplete())
            return std::nullopt;
        switch (info) {
        case HttpInfo::StatusCode:
            return QByteArray::number(transfer_.head().status());
        case HttpInfo::StatusPhrase:
            return transfer_.head().phrase();
        default:
            return transfer_.head().value(headerNameOf(info));
        }
        return std::nullopt;
    }

    bool read(char* buffer, std::uint32_t size, std::uint32_t& bytesRead) override {
        return transfer_.read(buffer, size, bytesRead);
    }

    QString failure() const override {
        if (!transfer_.gaveUpBecause().isEmpty())
            return transfer_.gaveUpBecause();
        long osError = 0;
        curl_easy_getinfo(transfer_.easy(), CURLINFO_OS_ERRNO, &osError);
        return describeCurlFailure(transfer_.result(), transfer_.errorText(), server_, osError);
    }

private:
    CurlTransfer transfer_;
    QByteArray server_;
};

class CurlConnection : public HttpConnection {
public:
    explicit CurlConnection(ConnectionSettings settings) : settings_(std::move(settings)) {}

    std::unique_ptr<HttpRequest> openRequest(const HttpRequestSettings& request) override {
        return std::make_unique<CurlRequest>(settings_, request);
    }

private:
    ConnectionSettings settings_;
};

class CurlSession : public HttpSession {
public:
    CurlSession(ClientSettings client, std::optional<QByteArray> agent)
        : client_(std::move(client)), agent_(std::move(agent)) {}

    std::unique_ptr<HttpConnection> connect(const QByteArray& server, std::uint16_t port,
                                            const QByteArray& userName,
                                            const QByteArray& password) override {
        if (!isAcceptableServer(server) || port == 0)
            return nullptr;
        return std::make_unique<CurlConnection>(
            ConnectionSettings{client_, agent_, server, port, userName, password});
    }

private:
    ClientSettings client_;
    std::optional<QByteArray> agent_;
};

class CurlHttpClientFactory : public HttpClientFactory {
public:
    explicit CurlHttpClientFactory(ClientSettings client) : client_(std::move(client)) {
        static std::once_flag initialised;
        std::call_once(initialised, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    }

    std::unique_ptr<HttpSession> open(const std::optional<QByteArray>& agent) override {
        if (agent && hasLineBreak(*agent))
            return nullptr;
        return std::make_unique<CurlSession>(client_, agent);
    }

private:
    ClientSettings client_;
};

} // namespace

std::unique_ptr<HttpClientFactory>
makeCurlHttpClientFactory(std::chrono::milliseconds inactivityLimit, const QByteArray& testCaFile) {
    return std::make_unique<CurlHttpClientFactory>(
        ClientSettings{inactivityLimit, testCaFile, std::make_shared<CurlMultiPool>()});
}

} // namespace larkspur::platform
