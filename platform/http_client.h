#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace larkspur::platform {

// The HTTP client a transfer worker talks through: an internet session, a connection
// to one server and a request on it. Every object is used on one thread, the worker's.
// Destroying an object closes its handle; a request, its connection and its session are
// destroyed in that order. A handle that cannot be made is a null pointer.

// What a request can be asked about its response once it has been sent.
enum class HttpInfo {
    ContentLength, // the raw text of the length header; several are joined by ", "
    StatusCode,    // the final status, as decimal text
    ContentRange,  // the raw text of the range header of a partial response
    StatusPhrase,  // the words after the final status ("Not Found"); may be empty
    // The raw text of these headers of the final response.
    ETag,
    LastModified,
    Date,
    ReprDigest,
    Digest,
};

class HttpRequest {
public:
    virtual ~HttpRequest() = default;

    // Adds one header line ("Name: value", no line end) to the request.
    virtual bool addHeader(const QByteArray& header) = 0;

    // Sends the request with `headers` (CR LF separated lines, may be empty) and `body`,
    // and waits for the response's headers. False when no response arrived.
    virtual bool send(const QByteArray& headers, const QByteArray& body) = 0;

    // A value of the response; none when it has no such value or no response came.
    virtual std::optional<QByteArray> queryInfo(HttpInfo info) = 0;

    // Reads up to `size` bytes of the body. True with `bytesRead` 0 at the end of the
    // body; false when the body cannot be read (connection lost, line silent too long).
    virtual bool read(char* buffer, std::uint32_t size, std::uint32_t& bytesRead) = 0;

    // Why the last send or read failed, in plain words ("connection refused", "stalled
    // for 120 s"); empty when nothing failed.
    virtual QString failure() const = 0;
};

// Cuts short, from another thread, the waits of the requests that watch it: once it is
// raised, a send or read that waits for the network returns false within moments, and
// every later one at once.
class HttpStopSignal {
public:
    // Any thread.
    void raise() {
        raised_ = true;
        const std::lock_guard lock(mutex_);
        if (wake_)
            wake_();
    }
    bool raised() const { return raised_.load(); }

    // For the client: `wake` (empty: none) is called on the raising thread by raise(),
    // to end the wait under way.
    void setWake(std::function<void()> wake) {
        const std::lock_guard lock(mutex_);
        wake_ = std::move(wake);
    }

private:
    std::atomic<bool> raised_{false};
    std::mutex mutex_;
    std::function<void()> wake_;
};

struct HttpRequestSettings {
    QByteArray verb;          // "GET" or "POST"
    QByteArray objectName;    // the path on the server, beginning with "/"
    QByteArray version;       // "HTTP/1.1"
    QByteArray referrer;      // empty: none
    QList<QByteArray> accept; // whole header lines, e.g. "Accept: */*"
    bool reload = false;      // ask the server for a fresh copy, not a cached one
    bool secure = false;      // TLS, the server's certificate and name verified

    // Ends the request's waits when raised; without one only the inactivity limit does.
    HttpStopSignal* stop = nullptr;
};

class HttpConnection {
public:
    virtual ~HttpConnection() = default;
    virtual std::unique_ptr<HttpRequest> openRequest(const HttpRequestSettings& settings) = 0;
};

class HttpSession {
public:
    virtual ~HttpSession() = default;
    // `server` is a host name or address (IPv6 in brackets) without a port; user name and
    // password authenticate at the server when the user name is not empty.
    virtual std::unique_ptr<HttpConnection> connect(const QByteArray& server, std::uint16_t port,
                                                    const QByteArray& userName,
                                                    const QByteArray& password) = 0;
};

class HttpClientFactory {
public:
    virtual ~HttpClientFactory() = default;
    // Opens a session that sends `agent` as its user agent, or none when absent.
    // May be called on any thread.
    virtual std::unique_ptr<HttpSession> open(const std::optional<QByteArray>& agent) = 0;
};

// No byte for this long fails a send or a read, so a dead line never hangs a transfer.
constexpr std::chrono::milliseconds DefaultHttpInactivityLimit{120'000};

// Secure requests trust the system's certificate store. Tests name the CA file of their
// throwaway servers instead; the program never does.
std::unique_ptr<HttpClientFactory>
makeCurlHttpClientFactory(std::chrono::milliseconds inactivityLimit = DefaultHttpInactivityLimit,
                          const QByteArray& testCaFile = {});

} // namespace larkspur::platform
