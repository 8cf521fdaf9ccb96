#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

namespace larkspur {

// What a response's head says, as the client reports it; none where it has no such value.
struct ResponseHead {
    std::optional<QByteArray> status;
    QByteArray statusPhrase;                 // "Not Found"; may be empty
    std::optional<QByteArray> contentLength; // several lengths come joined by ", "
    std::optional<QByteArray> contentRange;
};

// How the body of an accepted response goes into the target.
struct BodyPlan {
    bool restart = false; // the whole resource came: it replaces the file from its start
    std::optional<std::int64_t> totalSize; // the size once the body is in, when announced
};

// Whether an answer may reach the target, and why not.
struct BodyDecision {
    std::optional<BodyPlan> plan; // none: the transfer fails
    QString refusal;              // in plain words, where there is no plan
    bool stalePartial = false;    // the server's file is shorter than the partial file
};

// Decides, before the target is touched, whether the answer to a request that resumed at
// `offset` (0: from the start) of a partial file of `partialSize` bytes may be written.
// Only a success carries the file; a partial answer must run from `offset` to the end of
// the resource; the lengths it announces must agree with each other and fit in 63 bits.
BodyDecision planBody(const ResponseHead& head, std::int64_t offset, std::int64_t partialSize);

// The announced body length: a decimal number that fits in 63 bits, blanks around it
// allowed, or a list of that same number ("42, 42"); none for anything else.
std::optional<std::int64_t> parseContentLength(const QByteArray& text);

struct ContentRange {
    std::int64_t first;
    std::int64_t last;
    std::int64_t complete; // the length of the whole resource
};
// "bytes 7000-11999/12000", the unit in any case; none for anything else, an unknown
// complete length ("/*") included.
std::optional<ContentRange> parseContentRange(const QByteArray& text);
// The complete length of an unsatisfiable range's "bytes */12000"; none for anything else.
std::optional<std::int64_t> parseUnsatisfiedRange(const QByteArray& text);

// A final status of 200 to 299.
bool isSuccessStatus(const std::optional<QByteArray>& status);

// `base` + `extra` as a transfer counts bytes; raises larkspur::Error past 63 bits.
std::int64_t addByteCount(std::int64_t base, std::int64_t extra);

} // namespace larkspur
