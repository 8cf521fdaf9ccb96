#include "platform/curl_transfer.h"

#include <algorithm>
#include <cstring>

namespace larkspur::platform {

namespace {

// "120" for two minutes, "1.5" for a test's short limit.
QString seconds(std::chrono::milliseconds span) {
    return QString::number(double(span.count()) / 1000);
}

} // namespace

CurlTransfer::CurlTransfer(std::chrono::milliseconds inactivityLimit, HttpStopSignal* stop,
                           std::shared_ptr<CurlMultiPool> pool)
    : inactivityLimit_(inactivityLimit), stop_(stop), pool_(std::move(pool)), multi_(pool_->take()),
      easy_(curl_easy_init()) {
    if (stop_)
        stop_->setWake([multi = multi_] { curl_multi_wakeup(multi); });
    curl_easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy_, CURLOPT_HEADERFUNCTION, &CurlTransfer::onHeader);
    curl_easy_setopt(easy_, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, &CurlTransfer::onBody);
    curl_easy_setopt(easy_, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(easy_, CURLOPT_BUFFERSIZE, long(ReceiveSize));
    curl_easy_setopt(easy_, CURLOPT_ERRORBUFFER, errorBuffer_);
    curl_easy_setopt(easy_, CURLOPT_PREREQFUNCTION, &CurlTransfer::onRequestReady);
    curl_easy_setopt(easy_, CURLOPT_PREREQDATA, this);
}

CurlTransfer::~CurlTransfer() {
    if (stop_)
        stop_->setWake({});
    if (started_)
        curl_multi_remove_handle(multi_, easy_);
    curl_easy_cleanup(easy_);
    pool_->giveBack(multi_);
    curl_slist_free_all(headerList_);
}

void CurlTransfer::addHeaderLine(const QByteArray& line) {
    headerList_ = curl_slist_append(headerList_, line.constData());
}

bool CurlTransfer::start() {
    if (started_)
        return false;
    started_ = true;
    curl_easy_setopt(easy_, CURLOPT_HTTPHEADER, headerList_);
    curl_multi_add_handle(multi_, easy_);
    pumpUntil([this] { return response_.complete(); });
    return response_.complete();
}

bool CurlTransfer::read(char* buffer, std::uint32_t size, std::uint32_t& bytesRead) {
    bytesRead = 0;
    if (!started_ || gaveUp_)
        return false;
    while (buffered() == 0) {
        if (finished_)
            return result_ == CURLE_OK;
        if (!pumpUntil([this] { return buffered() > 0; }))
            return false;
    }
    const std::size_t count = std::min<std::size_t>(size, buffered());
    std::memcpy(buffer, buffer_.data() + head_, count);
    head_ += count;
    bytesRead = static_cast<std::uint32_t>(count);
    resumeIfDrained();
    return true;
}

std::size_t CurlTransfer::onHeader(char* data, std::size_t size, std::size_t count, void* self) {
    auto* transfer = static_cast<CurlTransfer*>(self);
    transfer->lastActivity_ = Clock::now();
    transfer->response_.takeLine(QByteArray(data, qsizetype(size * count)));
    return size * count;
}

// Before each hop's request goes out: once the exchange is on TLS, a redirect to plain
// http is refused before anything is sent in the clear.
int CurlTransfer::onRequestReady(void* self, char*, char*, int, int) {
    auto* transfer = static_cast<CurlTransfer*>(self);
    const char* scheme = nullptr;
    curl_easy_getinfo(transfer->easy_, CURLINFO_SCHEME, &scheme);
    const bool secure = scheme && QByteArray(scheme).compare("https", Qt::CaseInsensitive) == 0;
    if (transfer->wentSecure_ && !secure) {
        transfer->giveUp(QStringLiteral("redirected from https to http: refused"));
        return CURL_PREREQFUNC_ABORT;
    }
    transfer->wentSecure_ = transfer->wentSecure_ || secure;
    return CURL_PREREQFUNC_OK;
}

std::size_t CurlTransfer::onBody(char* data, std::size_t size, std::size_t count, void* self) {
    return static_cast<CurlTransfer*>(self)->takeBody(data, size * count);
}

std::size_t CurlTransfer::takeBody(const char* data, std::size_t size) {
    lastActivity_ = Clock::now();
    paceBytes_ += size;
    if (!response_.complete())
        return size; // the body of a redirect or of an interim answer
    if (buffered() > 0 && buffered() + size > BufferCapacity) {
        paused_ = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    if (head_ > 0) {
        buffer_.erase(buffer_.begin(), buffer_.begin() + std::ptrdiff_t(head_));
        head_ = 0;
    }
    buffer_.insert(buffer_.end(), data, data + size);
    return size;
}

bool CurlTransfer::pumpUntil(const std::function<bool()>& ready) {
    lastActivity_ = Clock::now();
    for (;;) {
        if (stopped()) {
            giveUp(QStringLiteral("stopped"));
            return false;
        }
        int running = 0;
        curl_multi_perform(multi_, &running);
        collectResult();
        if (ready() || finished_)
            return true;
        const auto idle = Clock::now() - lastActivity_;
        if (idle >= inactivityLimit_) {
            giveUp(QStringLiteral("stalled for %1 s").arg(seconds(inactivityLimit_)));
            return false;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(inactivityLimit_ - idle);
        const int waitMs = int(std::clamp<std::chrono::milliseconds::rep>(left.count(), 1, 1000));
        const auto waitStart = Clock::now();
        curl_multi_poll(multi_, nullptr, 0, waitMs, nullptr);
        if (!keepsPace(Clock::now() - waitStart))
            return false;
    }
}

// A line that trickles a byte now and then is as good as dead: under one byte of body a
// second on average over a whole inactivity limit of waiting fails like silence. Only the
// time spent waiting for the network counts, never the time the reader took.
bool CurlTransfer::keepsPace(Clock::duration waited) {
    paceWaited_ += waited;
    if (paceWaited_ < inactivityLimit_)
        return true;
    const auto limitMs = inactivityLimit_.count();
    if (paceBytes_ * 1000 < std::uint64_t(limitMs)) {
        giveUp(QStringLiteral("slower than 1 byte/s for %1 s").arg(seconds(inactivityLimit_)));
        return false;
    }
    paceWaited_ = {};
    paceBytes_ = 0;
    return true;
}

void CurlTransfer::giveUp(const QString& reason) {
    gaveUp_ = true;
    gaveUpBecause_ = reason;
}

void CurlTransfer::collectResult() {
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi_, &queued)) {
        if (message->msg == CURLMSG_DONE) {
            finished_ = true;
            result_ = message->data.result;
        }
    }
}

void CurlTransfer::resumeIfDrained() {
    if (!paused_ || buffered() > BufferCapacity / 2)
        return;
    paused_ = false; // before the call: it may deliver, and pause, at once
    lastActivity_ = Clock::now();
    curl_easy_pause(easy_, CURLPAUSE_CONT);
}

} // namespace larkspur::platform
