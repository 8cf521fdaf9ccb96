#include "testtls/test_certificates.h"

#include <QFile>
#include <arpa/inet.h>
#include <functional>
#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <stdexcept>
#include <string>

namespace larkspur::test {

namespace {

using KeyPointer = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;
using CertificatePointer = std::unique_ptr<X509, decltype(&X509_free)>;

void require(bool ok, const char* what) {
    if (!ok)
        throw std::runtime_error(std::string("test certificate: ") + what);
}

KeyPointer makeKey() {
    KeyPointer key(EVP_EC_gen("P-256"), &EVP_PKEY_free);
    require(key != nullptr, "key generation failed");
    return key;
}

QByteArray randomHex(int bytes) {
    QByteArray random(bytes, Qt::Uninitialized);
    require(RAND_bytes(reinterpret_cast<unsigned char*>(random.data()), bytes) == 1, "no random");
    return random.toHex();
}

bool isIpAddress(const QByteArray& name) {
    unsigned char address[16];
    return inet_pton(AF_INET, name.constData(), address) == 1 ||
           inet_pton(AF_INET6, name.constData(), address) == 1;
}

// `issuer` null: the certificate signs itself.
void addExtension(X509* certificate, X509* issuer, int nid, const QByteArray& value) {
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer ? issuer : certificate, certificate, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value.constData());
    require(extension != nullptr && X509_add_ext(certificate, extension, -1) == 1, "extension");
    X509_EXTENSION_free(extension);
}

CertificatePointer makeCertificate(EVP_PKEY* key, const QByteArray& commonName, X509* issuer,
                                   std::chrono::hours notBefore, std::chrono::hours notAfter) {
    CertificatePointer certificate(X509_new(), &X509_free);
    X509* c = certificate.get();
    require(X509_set_version(c, 2) == 1, "version");
    BIGNUM* serial = nullptr;
    require(BN_hex2bn(&serial, randomHex(16).constData()) > 0, "serial");
    BN_to_ASN1_INTEGER(serial, X509_get_serialNumber(c));
    BN_free(serial);
    X509_gmtime_adj(X509_getm_notBefore(c), long(notBefore.count()) * 3600);
    X509_gmtime_adj(X509_getm_notAfter(c), long(notAfter.count()) * 3600);
    require(X509_set_pubkey(c, key) == 1, "public key");
    X509_NAME* subject = X509_get_subject_name(c);
    X509_NAME_add_entry_by_txt(subject, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>(commonName.constData()), -1,
                               -1, 0);
    require(X509_set_issuer_name(c, issuer ? X509_get_subject_name(issuer) : subject) == 1,
            "issuer");
    addExtension(c, issuer, NID_subject_key_identifier, "hash");
    return certificate;
}

QByteArray pemOf(const std::function<int(BIO*)>& write) {
    BIO* bio = BIO_new(BIO_s_mem());
    require(write(bio) == 1, "PEM");
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    QByteArray pem(data, size);
    BIO_free(bio);
    return pem;
}

} // namespace

struct TestCertificateAuthority::Keys {
    KeyPointer key = makeKey();
    CertificatePointer certificate{nullptr, &X509_free};
};

TestCertificateAuthority::TestCertificateAuthority() : keys_(std::make_unique<Keys>()) {
    keys_->certificate = makeCertificate(keys_->key.get(), "Larkspur test CA " + randomHex(4),
                                         nullptr, std::chrono::hours(-1), std::chrono::hours(48));
    X509* c = keys_->certificate.get();
    addExtension(c, nullptr, NID_basic_constraints, "critical,CA:TRUE");
    addExtension(c, nullptr, NID_key_usage, "critical,keyCertSign,cRLSign");
    require(X509_sign(c, keys_->key.get(), EVP_sha256()) > 0, "signing the CA");
}

TestCertificateAuthority::~TestCertificateAuthority() = default;

QByteArray TestCertificateAuthority::certificatePem() const {
    return pemOf([this](BIO* bio) { return PEM_write_bio_X509(bio, keys_->certificate.get()); });
}

void TestCertificateAuthority::writeCertificate(const QString& path) const {
    QFile file(path);
    require(file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                file.write(certificatePem()) > 0,
            "cannot write the CA file");
}

TlsIdentity TestCertificateAuthority::issue(const QString& name, std::chrono::hours notBefore,
                                            std::chrono::hours notAfter) const {
    const KeyPointer key = makeKey();
    const QByteArray ascii = name.toLatin1();
    X509* issuer = keys_->certificate.get();
    const CertificatePointer certificate =
        makeCertificate(key.get(), ascii, issuer, notBefore, notAfter);
    X509* c = certificate.get();
    addExtension(c, issuer, NID_basic_constraints, "critical,CA:FALSE");
    addExtension(c, issuer, NID_authority_key_identifier, "keyid");
    addExtension(c, issuer, NID_ext_key_usage, "serverAuth");
    addExtension(c, issuer, NID_subject_alt_name, (isIpAddress(ascii) ? "IP:" : "DNS:") + ascii);
    require(X509_sign(c, keys_->key.get(), EVP_sha256()) > 0, "signing");
    return {pemOf([c](BIO* bio) { return PEM_write_bio_X509(bio, c); }), pemOf([&key](BIO* bio) {
                return PEM_write_bio_PrivateKey(bio, key.get(), nullptr, nullptr, 0, nullptr,
                                                nullptr);
            })};
}

} // namespace larkspur::test
