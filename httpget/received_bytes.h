#pragma once

#include <QByteArray>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "httpget/server_digest.h"

namespace larkspur {

// A running hash of the bytes a transfer receives from one position of its file to the
// end, so that the file can be read back and shown to hold exactly those bytes.
class ReceivedBytes {
public:
    ReceivedBytes();
    ~ReceivedBytes();
    ReceivedBytes(const ReceivedBytes&) = delete;
    ReceivedBytes& operator=(const ReceivedBytes&) = delete;

    // The bytes received go from `position` on; what was hashed before is forgotten.
    void startAt(std::int64_t position);
    void add(const char* data, std::int64_t count);

    // What one read of the whole file back showed.
    struct ReadBack {
        bool holdsReceivedBytes = false;
        QByteArray sha256;                // of the whole file
        std::optional<QByteArray> wanted; // the digest of `wanted`'s algorithm, when asked
    };
    // Reads `size` bytes of the file through `read` (offset, count: exactly that many bytes)
    // once: the received range must hash as it was received. Also computes the file's SHA-256
    // and, where `wanted` is given, the digest of its algorithm.
    ReadBack readBack(std::int64_t size,
                      const std::function<QByteArray(std::int64_t, std::int64_t)>& read,
                      std::optional<ServerDigest::Algorithm> wanted) const;

private:
    struct State;
    std::unique_ptr<State> state_;
    std::int64_t start_ = 0;
    std::int64_t count_ = 0;
};

} // namespace larkspur
