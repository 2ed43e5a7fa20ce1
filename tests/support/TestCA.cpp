#include "tests/support/TestCA.h"

// Before OpenSSL's headers, which take back the names wincrypt.h defines as macros.
#ifdef _WIN32
#include <windows.h>

#include <wincrypt.h>
#endif

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <vector>

namespace {

using TKey = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;
using TX509 = std::unique_ptr<X509, decltype(&X509_free)>;

void Require(bool ok, const char* what) {
    if (!ok)
        throw std::runtime_error(std::string("test certificate: ") + what);
}

TKey NewKey() {
    TKey key(EVP_EC_gen("P-256"), &EVP_PKEY_free);
    Require(key != nullptr, "no key");
    return key;
}

// `issuer` null: the certificate issues itself.
void AddExtension(X509* certificate, X509* issuer, int nid, const std::string& value) {
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer ? issuer : certificate, certificate, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value.c_str());
    const bool added = extension && X509_add_ext(certificate, extension, -1) == 1;
    X509_EXTENSION_free(extension);
    Require(added, "bad extension");
}

// The fields every certificate has; the issuer's name is the subject's when `issuer` is null.
TX509 NewCertificate(EVP_PKEY* key, const std::string& commonName, int notBeforeDays,
                     int notAfterDays, X509* issuer) {
    static std::atomic<long> serial{static_cast<long>(std::random_device{}() >> 1)};
    TX509 certificate(X509_new(), &X509_free);
    X509* c = certificate.get();
    Require(c && X509_set_version(c, X509_VERSION_3) == 1 &&
                ASN1_INTEGER_set(X509_get_serialNumber(c), ++serial) == 1 &&
                X509_gmtime_adj(X509_getm_notBefore(c), notBeforeDays * 86400L) &&
                X509_gmtime_adj(X509_getm_notAfter(c), notAfterDays * 86400L) &&
                X509_set_pubkey(c, key) == 1,
            "no certificate");
    X509_NAME* name = X509_get_subject_name(c);
    Require(X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8,
                                       reinterpret_cast<const unsigned char*>(commonName.c_str()),
                                       -1, -1, 0) == 1 &&
                X509_set_issuer_name(c, issuer ? X509_get_subject_name(issuer) : name) == 1,
            "bad name");
    AddExtension(c, issuer, NID_subject_key_identifier, "hash");
    return certificate;
}

void Sign(X509* certificate, EVP_PKEY* key) {
    Require(X509_sign(certificate, key, EVP_sha256()) > 0, "not signed");
}

template <typename Write> std::string Pem(Write write) {
    std::unique_ptr<BIO, decltype(&BIO_free)> memory(BIO_new(BIO_s_mem()), &BIO_free);
    Require(memory && write(memory.get()) == 1, "no PEM");
    char* data = nullptr;
    const long size = BIO_get_mem_data(memory.get(), &data);
    return std::string(data, static_cast<std::size_t>(size));
}

std::string PemOf(X509* certificate) {
    return Pem([&](BIO* out) { return PEM_write_bio_X509(out, certificate); });
}

std::string PemOf(EVP_PKEY* key) {
    return Pem([&](BIO* out) {
        return PEM_write_bio_PrivateKey(out, key, nullptr, nullptr, 0, nullptr, nullptr);
    });
}

// A server leaf for `spec`, signed by issuerKey (the leaf's own key when `issuer` is null).
TCertificate NewLeaf(const TLeafSpec& spec, X509* issuer, EVP_PKEY* issuerKey) {
    const TKey key = NewKey();
    const TX509 leaf =
        NewCertificate(key.get(), spec.commonName, spec.notBeforeDays, spec.notAfterDays, issuer);
    AddExtension(leaf.get(), issuer, NID_basic_constraints, "critical,CA:FALSE");
    AddExtension(leaf.get(), issuer, NID_key_usage, "critical,digitalSignature");
    AddExtension(leaf.get(), issuer, NID_ext_key_usage, "serverAuth");
    if (!spec.altNames.empty())
        AddExtension(leaf.get(), issuer, NID_subject_alt_name, spec.altNames);
    if (issuer)
        AddExtension(leaf.get(), issuer, NID_authority_key_identifier, "keyid:always");
    Sign(leaf.get(), issuer ? issuerKey : key.get());
    return {PemOf(leaf.get()), PemOf(key.get())};
}

#ifdef _WIN32
// On Windows the client trusts the current user's root store: the CA goes in there (as a user
// adds a private CA) while the tests run, and the file is only the certificate's copy.
class TRootStoreEntry {
public:
    explicit TRootStoreEntry(const std::string& pem) {
        std::unique_ptr<BIO, decltype(&BIO_free)> in(
            BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())), &BIO_free);
        TX509 certificate(PEM_read_bio_X509(in.get(), nullptr, nullptr, nullptr), &X509_free);
        Require(certificate != nullptr, "unreadable CA");
        unsigned char* der = nullptr;
        const int length = i2d_X509(certificate.get(), &der);
        Require(length > 0, "CA not encodable");
        // Written through at once, so that the client's own opening of the store sees it.
        const bool added = ::CertAddEncodedCertificateToSystemStoreW(
                               L"ROOT", der, static_cast<DWORD>(length)) == TRUE;
        der_.assign(der, der + length);
        OPENSSL_free(der);
        Require(added, "the root store took no CA");
    }
    ~TRootStoreEntry() {
        HCERTSTORE store = ::CertOpenSystemStoreW(0, L"ROOT");
        if (store == nullptr)
            return;
        const CERT_CONTEXT* own = ::CertCreateCertificateContext(X509_ASN_ENCODING, der_.data(),
                                                                 static_cast<DWORD>(der_.size()));
        const CERT_CONTEXT* stored =
            own == nullptr ? nullptr
                           : ::CertFindCertificateInStore(store, X509_ASN_ENCODING, 0,
                                                          CERT_FIND_EXISTING, own, nullptr);
        if (stored != nullptr)
            ::CertDeleteCertificateFromStore(stored); // frees that context too
        if (own != nullptr)
            ::CertFreeCertificateContext(own);
        ::CertCloseStore(store, 0);
    }
    TRootStoreEntry(const TRootStoreEntry&) = delete;
    TRootStoreEntry& operator=(const TRootStoreEntry&) = delete;

private:
    std::vector<unsigned char> der_;
};
#endif

// The trusted CA's certificate in a file of its own, named by SSL_CERT_FILE while it exists.
class TTrustFile {
public:
    TTrustFile()
        : path_((std::filesystem::temp_directory_path() /
                 ("zentrilo-test-ca-" + std::to_string(std::random_device{}()) + ".pem"))
                    .string()) {
        std::ofstream(path_) << TrustedTestCA().CertificatePem();
#ifndef _WIN32
        ::setenv("SSL_CERT_FILE", path_.c_str(), 1);
#endif
    }
    ~TTrustFile() {
        std::filesystem::remove(path_);
    }
    const std::string& Path() const {
        return path_;
    }

private:
    std::string path_;
#ifdef _WIN32
    TRootStoreEntry rootEntry_{TrustedTestCA().CertificatePem()};
#endif
};

// The client reads its trust store once per process: the CA must be in place before any test
// makes a TLS connection, the ones that expect a failure included.
class TTrustEnvironment : public testing::Environment {
public:
    void SetUp() override { TrustedTestCAFile(); }
};

[[maybe_unused]] testing::Environment* const kTrustEnvironment =
    testing::AddGlobalTestEnvironment(new TTrustEnvironment);

} // namespace

void TTestCA::TKeyFree::operator()(evp_pkey_st* key) const {
    EVP_PKEY_free(key);
}

void TTestCA::TCertificateFree::operator()(x509_st* certificate) const {
    X509_free(certificate);
}

TTestCA::TTestCA(const std::string& name) : key_(NewKey().release()) {
    TX509 certificate = NewCertificate(key_.get(), name, -1, 30, nullptr);
    AddExtension(certificate.get(), nullptr, NID_basic_constraints, "critical,CA:TRUE");
    AddExtension(certificate.get(), nullptr, NID_key_usage, "critical,keyCertSign,cRLSign");
    Sign(certificate.get(), key_.get());
    certificate_.reset(certificate.release());
    pem_ = PemOf(certificate_.get());
}

TTestCA::~TTestCA() = default;

std::string TTestCA::HashedFileName() const {
    char name[32];
    std::snprintf(name, sizeof name, "%08lx.0", X509_subject_name_hash(certificate_.get()));
    return name;
}

TCertificate TTestCA::Issue(const TLeafSpec& spec) const {
    return NewLeaf(spec, certificate_.get(), key_.get());
}

TCertificate TTestCA::SelfSigned(const TLeafSpec& spec) {
    return NewLeaf(spec, nullptr, nullptr);
}

const TTestCA& TrustedTestCA() {
    static const TTestCA ca("Zentrilo Test CA");
    return ca;
}

const std::string& TrustedTestCAFile() {
    static const TTrustFile file;
    return file.Path();
}

const TCertificate& LocalhostCertificate() {
    static const TCertificate certificate = TrustedTestCA().Issue({});
    return certificate;
}
