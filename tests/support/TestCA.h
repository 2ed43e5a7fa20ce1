#pragma once
// Certificates made at run time for the loopback TLS server (OpenSSL does the work): a CA,
// leaves it issues, and self-signed leaves. Nothing is checked in, so nothing in the tree
// expires and no private key is ever published.

#include <memory>
#include <string>

struct evp_pkey_st;
struct x509_st;

// PEM texts for a server.
struct TCertificate {
    std::string chain; // the leaf first, then what the server sends of its issuers
    std::string key;
};

struct TLeafSpec {
    std::string commonName = "localhost";
    // OpenSSL's subjectAltName syntax.
    std::string altNames = "DNS:localhost,IP:127.0.0.1,IP:::1";
    // The validity window in days from now.
    int notBeforeDays = -1;
    int notAfterDays = 30;
};

class TTestCA {
public:
    explicit TTestCA(const std::string& name);
    ~TTestCA();
    TTestCA(const TTestCA&) = delete;
    TTestCA& operator=(const TTestCA&) = delete;

    const std::string& CertificatePem() const { return pem_; }
    // The file name under which a hashed certificate directory (SSL_CERT_DIR) holds it.
    std::string HashedFileName() const;
    TCertificate Issue(const TLeafSpec& spec) const;
    static TCertificate SelfSigned(const TLeafSpec& spec);

private:
    struct TKeyFree {
        void operator()(evp_pkey_st* key) const;
    };
    struct TCertificateFree {
        void operator()(x509_st* certificate) const;
    };

    std::unique_ptr<evp_pkey_st, TKeyFree> key_;
    std::unique_ptr<x509_st, TCertificateFree> certificate_;
    std::string pem_;
};

// The CA the test process trusts, made before the first test: its certificate is in the file
// that SSL_CERT_FILE names, so the client reaches it the way a user's private CA would.
const TTestCA& TrustedTestCA();
const std::string& TrustedTestCAFile();
// A leaf of the trusted CA for localhost, 127.0.0.1 and ::1.
const TCertificate& LocalhostCertificate();
