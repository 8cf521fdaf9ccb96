#pragma once

#include <QByteArray>
#include <QList>
#include <optional>
#include <utility>

#include "platform/http_client.h"

namespace larkspur::platform {

// The status of a status line "HTTP/x.y 200 reason": exactly three digits; none for
// anything else.
std::optional<int> parseStatusLine(const QByteArray& line);

// The name of the header that `info` asks for; empty for what is no header.
QByteArray headerNameOf(HttpInfo info);

// The head of the final response of an exchange, gathered from its header lines as they
// arrive. Interim answers (1xx) and redirects that are followed are forgotten when the
// next response begins.
class HttpResponseHead {
public:
    // One line as it came, line end included or not.
    void takeLine(const QByteArray& line);

    int status() const { return status_; }
    // The words after the status ("Not Found"); may be empty.
    const QByteArray& phrase() const { return phrase_; }
    bool complete() const { return complete_; }
    // Every value of header `name` (compared without case), joined by ", " as one list;
    // none when the response has no such header.
    std::optional<QByteArray> value(const QByteArray& name) const;

private:
    void begin(const QByteArray& statusLine);

    int status_ = 0;
    QByteArray phrase_;
    QList<std::pair<QByteArray, QByteArray>> headers_;
    bool sawLocation_ = false;
    bool complete_ = false;
};

} // namespace larkspur::platform
