#include "http/IdTrustStore.h"

#include <openssl/ssl.h>

// OpenSSL's default paths: the system's bundle, or what SSL_CERT_FILE and SSL_CERT_DIR name.
void LoadSystemTrust(ssl_ctx_st* context) {
    SSL_CTX_set_default_verify_paths(context);
}
