#pragma once

#include <QByteArray>
#include <optional>

namespace larkspur {

// A digest of the whole file that the server sent with its answer.
struct ServerDigest {
    enum class Algorithm { Sha256, Sha512 };
    Algorithm algorithm;
    QByteArray value; // the raw digest bytes
};

// The whole file's digest from "Repr-Digest" (sha-256 preferred to sha-512), else from the
// older "Digest: SHA-256=..."; none when neither holds a well-formed one. A digest of the
// body alone (Content-Digest) describes only a part on a partial answer, so it is not asked.
std::optional<ServerDigest> fileDigestFrom(const std::optional<QByteArray>& reprDigest,
                                           const std::optional<QByteArray>& digest);

} // namespace larkspur
