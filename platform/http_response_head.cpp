#include "platform/http_response_head.h"

namespace larkspur::platform {

namespace {

// Redirects that the client follows by itself; their heads are not the final ones.
bool isFollowedRedirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

} // namespace

QByteArray headerNameOf(HttpInfo info) {
    switch (info) {
    case HttpInfo::ContentLength:
        return "Content-Length";
    case HttpInfo::ContentRange:
        return "Content-Range";
    case HttpInfo::ETag:
        return "ETag";
    case HttpInfo::LastModified:
        return "Last-Modified";
    case HttpInfo::Date:
        return "Date";
    case HttpInfo::ReprDigest:
        return "Repr-Digest";
    case HttpInfo::Digest:
        return "Digest";
    default:
        return {};
    }
}

std::optional<int> parseStatusLine(const QByteArray& line) {
    if (!line.startsWith("HTTP/"))
        return std::nullopt;
    const qsizetype space = line.indexOf(' ');
    if (space < 0)
        return std::nullopt;
    const QByteArray code = line.mid(space + 1, 3);
    const qsizetype after = space + 4;
    if (code.size() != 3 || (after < line.size() && !isBlank(line[after])))
        return std::nullopt;
    int status = 0;
    for (const char c : code) {
        if (c < '0' || c > '9')
            return std::nullopt;
        status = status * 10 + (c - '0');
    }
    return status;
}

void HttpResponseHead::takeLine(const QByteArray& raw) {
    if (raw.startsWith("HTTP/")) {
        begin(raw.trimmed());
        return;
    }
    const QByteArray line = raw.trimmed();
    if (line.isEmpty()) {
        complete_ = status_ >= 200 && !(isFollowedRedirect(status_) && sawLocation_);
    } else if (isBlank(raw.front()) && !headers_.isEmpty()) {
        headers_.last().second += ' ' + line; // a folded line continues the value before
    } else if (const qsizetype colon = line.indexOf(':'); colon > 0) {
        const QByteArray name = line.left(colon).trimmed();
        headers_.append({name, line.mid(colon + 1).trimmed()});
        sawLocation_ = sawLocation_ || name.compare("Location", Qt::CaseInsensitive) == 0;
    }
}

std::optional<QByteArray> HttpResponseHead::value(const QByteArray& name) const {
    std::optional<QByteArray> joined;
    for (const auto& [key, value] : headers_) {
        if (key.compare(name, Qt::CaseInsensitive) != 0)
            continue;
        joined = joined ? *joined + ", " + value : value;
    }
    return joined;
}

void HttpResponseHead::begin(const QByteArray& statusLine) {
    status_ = parseStatusLine(statusLine).value_or(0);
    phrase_ = status_ ? statusLine.mid(statusLine.indexOf(' ') + 4).trimmed() : QByteArray();
    headers_.clear();
    sawLocation_ = false;
    complete_ = false;
}

} // namespace larkspur::platform
