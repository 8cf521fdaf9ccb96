#include "testtls/client_link.h"

#include <cerrno>
#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace larkspur::test {

TlsServerContext::TlsServerContext(const TlsIdentity& identity)
    : context_(SSL_CTX_new(TLS_server_method())) {
    BIO* certificateBio =
        BIO_new_mem_buf(identity.certificatePem.constData(), int(identity.certificatePem.size()));
    X509* certificate = PEM_read_bio_X509(certificateBio, nullptr, nullptr, nullptr);
    BIO* keyBio = BIO_new_mem_buf(identity.keyPem.constData(), int(identity.keyPem.size()));
    EVP_PKEY* key = PEM_read_bio_PrivateKey(keyBio, nullptr, nullptr, nullptr);
    const bool ready = context_ && certificate && key &&
                       SSL_CTX_use_certificate(context_, certificate) == 1 &&
                       SSL_CTX_use_PrivateKey(context_, key) == 1;
    X509_free(certificate);
    EVP_PKEY_free(key);
    BIO_free(certificateBio);
    BIO_free(keyBio);
    if (!ready) {
        SSL_CTX_free(context_);
        throw std::runtime_error("cannot set up the test server's TLS");
    }
    SSL_CTX_set_mode(context_, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
}

TlsServerContext::~TlsServerContext() {
    SSL_CTX_free(context_);
}

ClientLink::ClientLink(int socket, const TlsServerContext* tls) : socket_(socket) {
    if (!tls)
        return;
    ssl_ = SSL_new(tls->get());
    if (!ssl_ || SSL_set_fd(ssl_, socket_) != 1) {
        SSL_free(ssl_);
        close(socket_);
        throw std::runtime_error("cannot start TLS on a connection");
    }
}

ClientLink::~ClientLink() {
    SSL_free(ssl_);
    close(socket_);
}

ClientLink::Step ClientLink::handshake() {
    return ssl_ ? tlsStep(SSL_accept(ssl_)) : Step{1, 0};
}

ClientLink::Step ClientLink::receive(char* data, qint64 size) {
    if (ssl_)
        return tlsStep(SSL_read(ssl_, data, int(size)));
    const ssize_t count = recv(socket_, data, size_t(size), 0);
    if (count >= 0)
        return {count, 0};
    return {0, short(errno == EAGAIN || errno == EINTR ? POLLIN : 0)};
}

ClientLink::Step ClientLink::send(const char* data, qint64 size) {
    if (ssl_)
        return tlsStep(SSL_write(ssl_, data, int(size)));
    const ssize_t count = ::send(socket_, data, size_t(size), MSG_NOSIGNAL);
    if (count > 0)
        return {count, 0};
    return {0, short(count < 0 && (errno == EAGAIN || errno == EINTR) ? POLLOUT : 0)};
}

void ClientLink::finish() {
    if (ssl_ && SSL_shutdown(ssl_) < 0)
        ERR_clear_error();
}

ClientLink::Step ClientLink::tlsStep(int result) {
    if (result > 0)
        return {result, 0};
    switch (SSL_get_error(ssl_, result)) {
    case SSL_ERROR_WANT_READ:
        return {0, POLLIN};
    case SSL_ERROR_WANT_WRITE:
        return {0, POLLOUT};
    default:
        ERR_clear_error(); // a refused handshake or a cut line: the connection is over
        return {0, 0};
    }
}

} // namespace larkspur::test
