#pragma once

#include <QByteArray>
#include <QList>
#include <chrono>
#include <cstdint>
#include <curl/curl.h>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace larkspur::platform {

// One HTTP exchange on libcurl's multi interface, driven by its reader: the transfer
// advances only while send() or read() waits for it, and a full buffer pauses it, so
// memory stays bounded however slowly the body is consumed.
class CurlTransfer {
public:
    explicit CurlTransfer(std::chrono::milliseconds inactivityLimit);
    ~CurlTransfer();
    CurlTransfer(const CurlTransfer&) = delete;
    CurlTransfer& operator=(const CurlTransfer&) = delete;

    // For setting options before start().
    CURL* easy() const { return easy_; }
    void addHeaderLine(const QByteArray& line);

    // Starts the exchange and waits for the final response's headers.
    bool start();

    int status() const { return status_; }
    // The value of the final response's header `name` (compared without case).
    std::optional<QByteArray> header(const QByteArray& name) const;
    bool headersComplete() const { return headersDone_; }

    bool read(char* buffer, std::uint32_t size, std::uint32_t& bytesRead);

    static constexpr std::size_t BufferCapacity = 64 * 1024;

private:
    static std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* self);
    static std::size_t onBody(char* data, std::size_t size, std::size_t count, void* self);
    void takeHeaderLine(QByteArray line);
    std::size_t takeBody(const char* data, std::size_t size);

    // Drives the exchange until `ready` holds or it ends; false when the line stayed
    // silent for the inactivity limit.
    bool pumpUntil(const std::function<bool()>& ready);
    void collectResult();
    void resumeIfDrained();
    std::size_t buffered() const { return buffer_.size() - head_; }

    std::chrono::milliseconds inactivityLimit_;
    CURLM* multi_ = nullptr;
    CURL* easy_ = nullptr;
    curl_slist* headerList_ = nullptr;
    bool started_ = false;

    int status_ = 0;
    QList<std::pair<QByteArray, QByteArray>> headers_;
    bool sawLocation_ = false;
    bool headersDone_ = false;

    std::vector<char> buffer_;
    std::size_t head_ = 0;
    bool paused_ = false;

    bool finished_ = false;
    bool silent_ = false;
    CURLcode result_ = CURLE_OK;
    std::chrono::steady_clock::time_point lastActivity_;
};

} // namespace larkspur::platform
