#pragma once

#include <QtGlobal>
#include <memory>

#include "testtls/test_certificates.h"

typedef struct ssl_ctx_st SSL_CTX;
typedef struct ssl_st SSL;

namespace larkspur::test {

// The server side of TLS: one certificate for every connection.
class TlsServerContext {
public:
    explicit TlsServerContext(const TlsIdentity& identity);
    ~TlsServerContext();
    TlsServerContext(const TlsServerContext&) = delete;
    TlsServerContext& operator=(const TlsServerContext&) = delete;
    SSL_CTX* get() const { return context_; }

private:
    SSL_CTX* context_ = nullptr;
};

// One accepted connection on a non-blocking socket, in the clear or through TLS. Each
// step either moves bytes or says which poll events to wait for before it is tried again.
class ClientLink {
public:
    struct Step {
        qint64 count = 0; // bytes moved; 0 with `waitFor` 0: closed or failed
        short waitFor = 0;
    };

    ClientLink(int socket, const TlsServerContext* tls); // takes the socket
    ~ClientLink();
    ClientLink(const ClientLink&) = delete;
    ClientLink& operator=(const ClientLink&) = delete;

    int socket() const { return socket_; }
    // The TLS handshake; done at once in the clear. Done when `count` is 1.
    Step handshake();
    Step receive(char* data, qint64 size);
    Step send(const char* data, qint64 size);
    // An orderly end: TLS says so before the socket closes, so a cut line and a whole
    // answer look different to the client.
    void finish();

private:
    Step tlsStep(int result);

    int socket_;
    SSL* ssl_ = nullptr;
};

} // namespace larkspur::test
