#include "httpget/http_get_thread.h"

#include <algorithm>
#include <array>

#include "framework/ansi_text.h"
#include "httpget/response_checks.h"

using larkspur::addByteCount;
using larkspur::toAnsi;
using larkspur::platform::HttpInfo;

namespace {

// Takes an explicit port off the host ("Srv:8080"). An IPv6 literal ("[::1]") has colons
// of its own. A port that is no number from 1 to 65535 stays in the host, where the client
// refuses it: so does the colon of an unknown scheme ("ftp://Srv/f" gives "ftp:").
void takePort(THTTPGetThread::UrlParts& parts) {
    const qsizetype colon = parts.Host.lastIndexOf(QLatin1Char(':'));
    if (colon < 0 || parts.Host.endsWith(QLatin1Char(']')))
        return;
    const QStringView text = QStringView(parts.Host).mid(colon + 1);
    const bool digits =
        !text.isEmpty() && text.size() <= 5 &&
        std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    const uint port = digits ? text.toUInt() : 0;
    if (port < 1 || port > 65535)
        return;
    parts.Port = std::uint16_t(port);
    parts.Host.truncate(colon);
}

} // namespace

THTTPGetThread::THTTPGetThread(larkspur::platform::HttpClientFactory& http,
                               const QString& AcceptTypes, const QString& Agent, const QString& URL,
                               const QString& FileName, const QString& UserName,
                               const QString& Password, const QString& PostQuery,
                               const QString& Referer, bool BinaryData, bool UseCache,
                               const TOnProgressEvent& OnProgress, bool ToFile)
    : http_(http) {
    FreeOnTerminate = true;
    // The base class made the thread suspended: fill the copies, then let it run.
    this->AcceptTypes = AcceptTypes;
    this->Agent = Agent;
    this->URL = URL;
    this->FileName = FileName;
    this->UserName = UserName;
    this->Password = Password;
    this->PostQuery = PostQuery;
    this->Referer = Referer;
    this->BinaryData = BinaryData;
    this->UseCache = UseCache;
    this->OnProgress = OnProgress;
    this->ToFile = ToFile;
    start();
}

THTTPGetThread::UrlParts THTTPGetThread::SplitUrl(const QString& URL) {
    const QString lower = URL.toLower();
    UrlParts parts;
    QString rest = URL;
    if (lower.startsWith(QLatin1String("http://"))) {
        rest = URL.mid(7);
    } else if (lower.startsWith(QLatin1String("https://"))) {
        rest = URL.mid(8);
        parts.Secure = true;
        parts.Port = HttpsPort;
    }
    const qsizetype slash = rest.indexOf(QLatin1Char('/'));
    if (slash < 0) {
        parts.Path = rest;
        return parts;
    }
    parts.Host = rest.left(slash);
    parts.Path = rest.mid(slash);
    takePort(parts);
    return parts;
}

void THTTPGetThread::stopRequested() {
    stopSignal_.raise();
}

void THTTPGetThread::Detach() {
    OnTerminate = nullptr;
    progressDetached_ = true;
}

void THTTPGetThread::execute() {
    const UrlParts parts = SplitUrl(URL);
    if (terminated()) { // nothing is held yet
        Succeeded = false;
        return;
    }
    try {
        transfer(parts);
    } catch (...) {
        Succeeded = false;
    }
    try {
        file_.close();
    } catch (...) {
        Succeeded = false;
    }
    CloseHandles();
}

void THTTPGetThread::transfer(const UrlParts& parts) {
    openHandles(parts);
    if (!request_)
        return; // no request can be made: the file stays as it was
    Readed = 0;
    if (ToFile)
        prepareFile();
    const bool answered = sendRequest();
    if (stopped() || !answered) {
        Succeeded = false;
        return;
    }
    if (ToFile)
        settleFile();
    const larkspur::ResponseHead head{request_->queryInfo(HttpInfo::StatusCode),
                                      request_->queryInfo(HttpInfo::ContentLength),
                                      request_->queryInfo(HttpInfo::ContentRange)};
    Succeeded = head.contentLength.has_value();
    if (stopped())
        return;
    if (!head.contentLength && BinaryData)
        return; // a body of unknown length is not taken
    const auto plan = larkspur::planBody(head, Readed);
    if (!plan) {
        Succeeded = false;
        return;
    }
    startBody(*plan);
    if (!readBody())
        return;
    Succeeded = ToFile ? TotalSize == Readed : Readed != 0;
    file_.close();
}

void THTTPGetThread::openHandles(const UrlParts& parts) {
    session_ = http_.open(Agent.isEmpty() ? std::nullopt : std::optional(toAnsi(Agent)));
    if (session_)
        connection_ =
            session_->connect(toAnsi(parts.Host), parts.Port, toAnsi(UserName), toAnsi(Password));
    if (connection_)
        request_ = connection_->openRequest({PostQuery.isEmpty() ? "GET" : "POST",
                                             toAnsi(parts.Path),
                                             "HTTP/1.1",
                                             toAnsi(Referer),
                                             {"Accept: " + toAnsi(AcceptTypes)},
                                             !UseCache,
                                             parts.Secure,
                                             &stopSignal_});
}

// An existing file is continued a little before its end.
void THTTPGetThread::prepareFile() {
    if (!larkspur::TargetFile::exists(FileName))
        return;
    file_.openExisting(FileName);
    const std::int32_t offset = addByteCount(0, std::max<qint64>(file_.size() - ResumeOverlap, 0));
    Succeeded = request_->addHeader("Range: bytes=" + QByteArray::number(offset) + "-");
    if (Succeeded)
        Readed = offset;
}

// Only once a server has answered is the file cut, or a fresh one made: a line that is
// down or a certificate that fails leaves the file as it was.
void THTTPGetThread::settleFile() {
    if (file_.isOpen())
        file_.cutAt(Readed);
    else
        file_.create(FileName);
}

bool THTTPGetThread::sendRequest() {
    if (PostQuery.isEmpty())
        return request_->send({}, {});
    return request_->send("Content-Type: application/x-www-form-urlencoded", toAnsi(PostQuery));
}

// Nothing of the answer reaches the file before planBody() has accepted all of it. A whole
// answer to a resumed request replaces the file from its start.
void THTTPGetThread::startBody(const larkspur::BodyPlan& plan) {
    if (plan.restart && ToFile) {
        file_.cutAt(0);
        Readed = 0;
    }
    if (plan.totalSize)
        TotalSize = *plan.totalSize;
    ResultText.clear();
}

bool THTTPGetThread::stopped() {
    if (!terminated())
        return false;
    Succeeded = false;
    return true;
}

bool THTTPGetThread::readBody() {
    std::array<char, ChunkSize> chunk;
    for (;;) {
        if (stopped())
            return false;
        BytesRead = 0;
        if (!request_->read(chunk.data(), ChunkSize, BytesRead) || BytesRead == 0)
            return true;
        const std::int32_t counted = addByteCount(Readed, BytesRead);
        if (ToFile)
            file_.write(chunk.data(), BytesRead);
        else
            ResultText += larkspur::fromAnsi(QByteArray(chunk.data(), qsizetype(BytesRead)));
        Readed = counted;
        if (OnProgress)
            synchronize([this] { UpdateProgress(); });
    }
}

void THTTPGetThread::UpdateProgress() {
    if (!progressDetached_)
        OnProgress(this, TotalSize, Readed);
}

void THTTPGetThread::CloseHandles() {
    request_.reset();
    connection_.reset();
    session_.reset();
}
