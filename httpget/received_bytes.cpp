#include "httpget/received_bytes.h"

#include <algorithm>
#include <openssl/evp.h>
#include <xxhash.h>

#include "framework/errors.h"

namespace larkspur {

namespace {

constexpr std::int64_t ReadBlock = 4 * 1024 * 1024;

struct XxhFree {
    void operator()(XXH3_state_t* state) const { XXH3_freeState(state); }
};
using XxhState = std::unique_ptr<XXH3_state_t, XxhFree>;

XxhState freshXxh() {
    XxhState state(XXH3_createState());
    XXH3_64bits_reset(state.get());
    return state;
}

struct EvpFree {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
using Evp = std::unique_ptr<EVP_MD_CTX, EvpFree>;

Evp freshEvp(const EVP_MD* algorithm) {
    Evp context(EVP_MD_CTX_new());
    if (!context || EVP_DigestInit_ex(context.get(), algorithm, nullptr) != 1)
        throw Error(QStringLiteral("no digest available"));
    return context;
}

QByteArray finalOf(EVP_MD_CTX* context) {
    QByteArray digest(EVP_MAX_MD_SIZE, Qt::Uninitialized);
    unsigned int size = 0;
    EVP_DigestFinal_ex(context, reinterpret_cast<unsigned char*>(digest.data()), &size);
    digest.truncate(size);
    return digest;
}

} // namespace

struct ReceivedBytes::State {
    XxhState running = freshXxh();
};

ReceivedBytes::ReceivedBytes() : state_(std::make_unique<State>()) {}
ReceivedBytes::~ReceivedBytes() = default;

void ReceivedBytes::startAt(std::int64_t position) {
    state_->running = freshXxh();
    start_ = position;
    count_ = 0;
}

void ReceivedBytes::add(const char* data, std::int64_t count) {
    XXH3_64bits_update(state_->running.get(), data, std::size_t(count));
    count_ += count;
}

ReceivedBytes::ReadBack
ReceivedBytes::readBack(std::int64_t size,
                        const std::function<QByteArray(std::int64_t, std::int64_t)>& read,
                        std::optional<ServerDigest::Algorithm> wanted) const {
    const XxhState found = freshXxh();
    const Evp sha256 = freshEvp(EVP_sha256());
    const Evp other = wanted == ServerDigest::Algorithm::Sha512 ? freshEvp(EVP_sha512()) : Evp();
    for (std::int64_t at = 0; at < size; at += ReadBlock) {
        const QByteArray block = read(at, std::min(ReadBlock, size - at));
        EVP_DigestUpdate(sha256.get(), block.constData(), std::size_t(block.size()));
        if (other)
            EVP_DigestUpdate(other.get(), block.constData(), std::size_t(block.size()));
        const std::int64_t skip = std::clamp<std::int64_t>(start_ - at, 0, block.size());
        XXH3_64bits_update(found.get(), block.constData() + skip, std::size_t(block.size() - skip));
    }
    ReadBack result;
    result.holdsReceivedBytes =
        start_ + count_ == size &&
        XXH3_64bits_digest(found.get()) == XXH3_64bits_digest(state_->running.get());
    result.sha256 = finalOf(sha256.get());
    if (wanted)
        result.wanted = other ? finalOf(other.get()) : result.sha256;
    return result;
}

} // namespace larkspur
