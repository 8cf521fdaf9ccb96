#include "httpget/http_get_thread.h"

#include <algorithm>
#include <array>
#include <cerrno>

#include "framework/ansi_text.h"
#include "framework/errors.h"
#include "httpget/response_checks.h"
#include "httpget/resume_validator.h"
#include "httpget/shown_text.h"

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
                               const TOnProgressEvent& OnProgress, bool ToFile,
                               const QStringList& ReservedNames)
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
    this->ReservedNames = ReservedNames;
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
    if (stopped()) // nothing is held yet
        return;
    try {
        transfer(parts);
    } catch (const larkspur::TargetError& error) {
        failLocally(error);
    } catch (const larkspur::Error& error) {
        fail(error.message());
    } catch (...) {
        fail(QStringLiteral("unexpected failure"));
    }
    // What the body holds goes on its own thread, not on the GUI thread that frees it.
    try {
        blocks_.finish();
        file_.close();
    } catch (const larkspur::Error& error) {
        fail(error.message());
    }
    CloseHandles();
}

void THTTPGetThread::transfer(const UrlParts& parts) {
    if (ToFile && !acceptableTarget())
        return;
    openHandles(parts);
    if (!request_)
        return fail(QStringLiteral("not a URL that can be fetched")); // the file stays as it was
    Readed = 0;
    if (ToFile)
        prepareFile();
    const bool answered = sendRequest();
    if (stopped())
        return;
    if (!answered)
        return fail(request_->failure());
    if (!acceptAnswer() || stopped())
        return;
    startBody(*plan_);
    if (!readBody())
        return;
    applySuccessRule();
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

bool THTTPGetThread::acceptableTarget() {
    const QString name = FileName.mid(FileName.lastIndexOf(QLatin1Char('/')) + 1);
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")) {
        fail(QStringLiteral("the URL names no file"));
        return false;
    }
    if (ReservedNames.contains(name)) {
        fail(QStringLiteral("the name is that of the job's log file: not fetched"));
        return false;
    }
    if (larkspur::holdsControlCharacter(name)) {
        fail(QStringLiteral("the file name holds a control character: not fetched"));
        return false;
    }
    return true;
}

// An existing file is continued a little before its end; its last bytes are kept, so that
// the answer can show whether it is the same file.
void THTTPGetThread::prepareFile() {
    file_.reach(FileName);
    if (!file_.occupied())
        return;
    file_.openExisting();
    partialSize_ = file_.size();
    const std::int64_t offset = std::max<std::int64_t>(partialSize_ - ResumeOverlap, 0);
    partialTail_ = file_.readAt(offset, partialSize_ - offset);
    Succeeded = request_->addHeader("Range: bytes=" + QByteArray::number(offset) + "-");
    if (Succeeded)
        Readed = offset;
    // Only the rest of the version the partial file was cut from; else the whole file.
    if (const auto validator = file_.validator())
        request_->addHeader("If-Range: " + *validator);
}

bool THTTPGetThread::sendRequest() {
    if (PostQuery.isEmpty())
        return request_->send({}, {});
    return request_->send("Content-Type: application/x-www-form-urlencoded", toAnsi(PostQuery));
}

// Nothing of the answer reaches the file before all of its head is accepted. A partial file
// longer than the server's file is stale: it goes, and the next attempt starts afresh.
bool THTTPGetThread::acceptAnswer() {
    const larkspur::ResponseHead head{request_->queryInfo(HttpInfo::StatusCode),
                                      request_->queryInfo(HttpInfo::StatusPhrase).value_or(""),
                                      request_->queryInfo(HttpInfo::ContentLength),
                                      request_->queryInfo(HttpInfo::ContentRange)};
    const larkspur::BodyDecision decision =
        larkspur::planBody(head, Readed, file_.isOpen() ? partialSize_ : 0);
    if (decision.stalePartial)
        file_.discard();
    if (!decision.plan) {
        fail(decision.refusal);
        return false;
    }
    if (!head.contentLength && BinaryData) {
        fail(QStringLiteral("the server did not announce the file's length"));
        return false;
    }
    plan_ = decision.plan;
    validator_ = larkspur::resumeValidator(request_->queryInfo(HttpInfo::ETag),
                                           request_->queryInfo(HttpInfo::LastModified),
                                           request_->queryInfo(HttpInfo::Date));
    serverDigest_ = larkspur::fileDigestFrom(request_->queryInfo(HttpInfo::ReprDigest),
                                             request_->queryInfo(HttpInfo::Digest));
    return true;
}

// A whole answer to a resumed request replaces the file from its start; a partial one
// follows what is on disk, once the bytes they share agree.
void THTTPGetThread::startBody(const larkspur::BodyPlan& plan) {
    if (ToFile) {
        if (!file_.isOpen()) {
            file_.create();
        } else if (plan.restart) {
            file_.cutAt(0);
            Readed = 0;
            partialSize_ = 0;
        } else {
            file_.seekToEnd();
        }
        received_.startAt(Readed);
        if (validator_)
            file_.keepValidator(*validator_);
    }
    TotalSize = plan.totalSize.value_or(0);
    ResultText.clear();
}

bool THTTPGetThread::stopped() {
    if (!terminated())
        return false;
    fail(QStringLiteral("stopped"));
    return true;
}

void THTTPGetThread::fail(const QString& reason) {
    Succeeded = false;
    if (FailureReason.isEmpty())
        FailureReason = larkspur::shownText(reason);
}

void THTTPGetThread::failLocally(const larkspur::TargetError& error) {
    fail(error.message());
    FailureErrno = error.code();
    FailureIsLocal = isLocalCause(FailureErrno);
}

bool THTTPGetThread::isLocalCause(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
    case EACCES:
    case EPERM:
    case EROFS:
    case ENOSPC:
    case EDQUOT:
        return true;
    default:
        return false;
    }
}

bool THTTPGetThread::readBody() {
    std::array<char, ChunkSize> chunk;
    for (;;) {
        if (stopped())
            return false;
        BytesRead = 0;
        if (!request_->read(chunk.data(), ChunkSize, BytesRead)) {
            FailureReason = larkspur::shownText(request_->failure()); // should the rule fail
            return true;
        }
        if (BytesRead == 0)
            return true;
        const std::int64_t counted = addByteCount(Readed, BytesRead);
        if (!ToFile)
            ResultText += larkspur::fromAnsi(QByteArray(chunk.data(), qsizetype(BytesRead)));
        else if (!takeChunk(chunk.data(), BytesRead))
            return false;
        Readed = counted;
        if (OnProgress)
            synchronize([this] { UpdateProgress(); });
    }
}

// Bytes that the partial file already holds are compared, never written: where they
// differ the partial file is another file, and splicing the two would make a third.
bool THTTPGetThread::takeChunk(const char* data, std::uint32_t count) {
    const std::int64_t shared = std::clamp<std::int64_t>(partialSize_ - Readed, 0, count);
    if (shared > 0) {
        const qsizetype at = qsizetype(partialTail_.size() - (partialSize_ - Readed));
        if (at < 0 ||
            QByteArrayView(data, shared) != QByteArrayView(partialTail_).sliced(at, shared)) {
            blocks_.drop();
            file_.discard();
            fail(QStringLiteral("the partial file is not this file: fetching it whole"));
            return false;
        }
    }
    blocks_.write(data + shared, std::size_t(count - shared));
    received_.add(data, count);
    return true;
}

// The file must be whole where its name says, not only in the count.
void THTTPGetThread::applySuccessRule() {
    const bool whole = ToFile ? TotalSize == Readed && Readed >= partialSize_ : Readed != 0;
    if (whole && ToFile)
        file_.completedByWhatFollows();
    blocks_.flush();
    if (whole && ToFile) {
        file_.confirm(TotalSize);
        checkWrittenFile();
    }
    if (!whole) {
        if (FailureReason.isEmpty() && ToFile)
            FailureReason =
                QStringLiteral("the body ended after %1 of %2 bytes").arg(Readed).arg(TotalSize);
        Succeeded = false;
        return;
    }
    FailureReason.clear();
    Succeeded = true;
    file_.close();
}

void THTTPGetThread::checkWrittenFile() {
    const auto wanted = serverDigest_ ? std::optional(serverDigest_->algorithm) : std::nullopt;
    const larkspur::ReceivedBytes::ReadBack found = received_.readBack(
        TotalSize, [this](std::int64_t at, std::int64_t count) { return file_.readAt(at, count); },
        wanted);
    QString damage;
    if (!found.holdsReceivedBytes)
        damage = QStringLiteral("the file was changed while it was written");
    else if (serverDigest_ && found.wanted != serverDigest_->value)
        damage = QStringLiteral("the server's digest does not match: fetching it whole");
    if (!damage.isEmpty()) {
        file_.discard();
        throw larkspur::Error(damage);
    }
    file_.forgetValidator();
    FileSha256 = found.sha256.toHex();
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
