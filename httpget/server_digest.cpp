#include "httpget/server_digest.h"

#include <QList>

namespace larkspur {

namespace {

constexpr qsizetype Sha256Size = 32;
constexpr qsizetype Sha512Size = 64;

std::optional<QByteArray> decodedBase64(const QByteArray& text, qsizetype size) {
    const auto decoded =
        QByteArray::fromBase64Encoding(text, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.size() != size)
        return std::nullopt;
    return decoded.decoded;
}

// The members of a header list: "name=value" pairs split at commas.
std::optional<QByteArray> member(const QByteArray& list, const QByteArray& name) {
    for (const QByteArray& item : list.split(',')) {
        const QByteArray trimmed = item.trimmed();
        const qsizetype equals = trimmed.indexOf('=');
        if (equals > 0 && trimmed.left(equals).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return trimmed.mid(equals + 1).trimmed();
    }
    return std::nullopt;
}

// A structured byte sequence, ":base64:".
std::optional<QByteArray> byteSequence(const std::optional<QByteArray>& value, qsizetype size) {
    if (!value || value->size() < 2 || !value->startsWith(':') || !value->endsWith(':'))
        return std::nullopt;
    return decodedBase64(value->mid(1, value->size() - 2), size);
}

std::optional<ServerDigest> fromReprDigest(const QByteArray& list) {
    if (const auto sha256 = byteSequence(member(list, "sha-256"), Sha256Size))
        return ServerDigest{ServerDigest::Algorithm::Sha256, *sha256};
    if (const auto sha512 = byteSequence(member(list, "sha-512"), Sha512Size))
        return ServerDigest{ServerDigest::Algorithm::Sha512, *sha512};
    return std::nullopt;
}

std::optional<ServerDigest> fromDigest(const QByteArray& list) {
    const auto value = member(list, "sha-256");
    const auto sha256 = value ? decodedBase64(*value, Sha256Size) : std::nullopt;
    if (!sha256)
        return std::nullopt;
    return ServerDigest{ServerDigest::Algorithm::Sha256, *sha256};
}

} // namespace

std::optional<ServerDigest> fileDigestFrom(const std::optional<QByteArray>& reprDigest,
                                           const std::optional<QByteArray>& digest) {
    if (reprDigest)
        if (const auto found = fromReprDigest(*reprDigest))
            return found;
    return digest ? fromDigest(*digest) : std::nullopt;
}

} // namespace larkspur
