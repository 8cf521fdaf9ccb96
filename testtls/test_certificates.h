#pragma once

#include <QByteArray>
#include <QString>
#include <chrono>
#include <memory>

namespace larkspur::test {

// A server's certificate and private key, in PEM.
struct TlsIdentity {
    QByteArray certificatePem;
    QByteArray keyPem;
};

// A certificate authority made afresh for one test run, trusted by nobody unless a client
// is handed its certificate.
class TestCertificateAuthority {
public:
    TestCertificateAuthority();
    ~TestCertificateAuthority();
    TestCertificateAuthority(const TestCertificateAuthority&) = delete;
    TestCertificateAuthority& operator=(const TestCertificateAuthority&) = delete;

    QByteArray certificatePem() const;
    // Writes the CA certificate to `path`, for a client to trust.
    void writeCertificate(const QString& path) const;

    // A certificate for `name` (an IP address or a host name), valid from `notBefore` to
    // `notAfter`, counted from now.
    TlsIdentity issue(const QString& name, std::chrono::hours notBefore = std::chrono::hours(-1),
                      std::chrono::hours notAfter = std::chrono::hours(24)) const;

private:
    struct Keys;
    std::unique_ptr<Keys> keys_;
};

} // namespace larkspur::test
