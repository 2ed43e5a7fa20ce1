#include "http/IdTrustStore.h"

#include <windows.h>

#include <wincrypt.h>

#include <openssl/ssl.h>
#include <openssl/x509.h>

// The current user's "ROOT" system store, which also shows the machine's roots: what Windows
// itself trusts for TLS, a private CA the user added included.
void LoadSystemTrust(ssl_ctx_st* context) {
    X509_STORE* trusted = SSL_CTX_get_cert_store(context);
    HCERTSTORE roots = ::CertOpenSystemStoreW(0, L"ROOT");
    if (roots == nullptr)
        return;
    const CERT_CONTEXT* certificate = nullptr;
    while ((certificate = ::CertEnumCertificatesInStore(roots, certificate)) != nullptr) {
        const unsigned char* der = certificate->pbCertEncoded;
        // A certificate OpenSSL cannot read is left out; the others still count.
        if (X509* parsed = d2i_X509(nullptr, &der, static_cast<long>(certificate->cbCertEncoded))) {
            X509_STORE_add_cert(trusted, parsed);
            X509_free(parsed);
        }
    }
    ::CertCloseStore(roots, 0);
}
