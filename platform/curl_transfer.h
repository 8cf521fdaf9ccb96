#pragma once

#include <QByteArray>
#include <QString>
#include <chrono>
#include <cstdint>
#include <curl/curl.h>
#include <functional>
#include <memory>
#include <vector>

#include "platform/curl_multi_pool.h"
#include "platform/http_client.h"
#include "platform/http_response_head.h"

namespace larkspur::platform {

// One HTTP exchange on libcurl's multi interface, driven by its reader: the transfer
// advances only while send() or read() waits for it, and a full buffer pauses it, so
// memory stays bounded however slowly the body is consumed. A raised stop signal ends
// every wait at once. The multi handle, with the connections it keeps, comes from `pool`.
class CurlTransfer {
    using Clock = std::chrono::steady_clock;

public:
    CurlTransfer(std::chrono::milliseconds inactivityLimit, HttpStopSignal* stop,
                 std::shared_ptr<CurlMultiPool> pool);
    ~CurlTransfer();
    CurlTransfer(const CurlTransfer&) = delete;
    CurlTransfer& operator=(const CurlTransfer&) = delete;

    // For setting options before start().
    CURL* easy() const { return easy_; }
    void addHeaderLine(const QByteArray& line);

    // Starts the exchange and waits for the final response's headers.
    bool start();

    // The final response's head, once complete.
    const HttpResponseHead& head() const { return response_; }
    bool headersComplete() const { return response_.complete(); }

    bool read(char* buffer, std::uint32_t size, std::uint32_t& bytesRead);

    // Why the exchange failed; CURLE_OK with an empty text while it has not.
    CURLcode result() const { return result_; }
    const char* errorText() const { return errorBuffer_; }
    // Set when the transfer itself gave up: stopped, silent or too slow.
    const QString& gaveUpBecause() const { return gaveUpBecause_; }

    // What one receive from the network may bring: large, so that a fast line costs few
    // system calls; the buffer holds a few of them before the transfer pauses.
    static constexpr std::size_t ReceiveSize = 256 * 1024;
    static constexpr std::size_t BufferCapacity = 4 * ReceiveSize;

private:
    static std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* self);
    static std::size_t onBody(char* data, std::size_t size, std::size_t count, void* self);
    static int onRequestReady(void* self, char* ip, char* localIp, int port, int localPort);
    std::size_t takeBody(const char* data, std::size_t size);

    // Drives the exchange until `ready` holds or it ends; false when the line stayed
    // silent for the inactivity limit or a stop was asked for.
    bool pumpUntil(const std::function<bool()>& ready);
    bool stopped() const { return stop_ && stop_->raised(); }
    // False, with the reason, when the body came too slowly over the last period of waits.
    bool keepsPace(Clock::duration waited);
    void giveUp(const QString& reason);
    void collectResult();
    void resumeIfDrained();
    std::size_t buffered() const { return buffer_.size() - head_; }

    std::chrono::milliseconds inactivityLimit_;
    HttpStopSignal* stop_;
    std::shared_ptr<CurlMultiPool> pool_;
    CURLM* multi_ = nullptr;
    CURL* easy_ = nullptr;
    curl_slist* headerList_ = nullptr;
    bool started_ = false;
    bool wentSecure_ = false; // some hop of the exchange used TLS

    HttpResponseHead response_;

    std::vector<char> buffer_;
    std::size_t head_ = 0;
    bool paused_ = false;

    bool finished_ = false;
    bool gaveUp_ = false; // silent too long, too slow, or stopped
    QString gaveUpBecause_;
    CURLcode result_ = CURLE_OK;
    char errorBuffer_[CURL_ERROR_SIZE] = {};
    Clock::time_point lastActivity_;
    // Time spent waiting for the network in the current period, and what came in it.
    Clock::duration paceWaited_{};
    std::uint64_t paceBytes_ = 0;
};

} // namespace larkspur::platform
