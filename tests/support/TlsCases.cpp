#include "tests/support/TlsCases.h"

namespace {

// A leaf of the trusted CA whose common name is no host name, so that only `altNames` can match.
TTlsServerOptions Leaf(const std::string& altNames, int notBeforeDays = -1, int notAfterDays = 30) {
    return WithCertificate(
        TrustedTestCA().Issue({"Zentrilo test server", altNames, notBeforeDays, notAfterDays}));
}

TTlsServerOptions OnlyOldVersions() {
    TTlsServerOptions options;
    options.onlyOldVersions = true;
    return options;
}

} // namespace

const std::vector<TTlsCase>& TlsVerificationCases() {
    static const std::string verifyFailed = "TLS: certificate verify failed (";
    static const std::vector<TTlsCase> cases = {
        {"good chain", {}, "localhost", ""},
        {"IP literal in the certificate", {}, "127.0.0.1", ""},
        {"unknown CA", WithCertificate(TTestCA("Somebody Else's CA").Issue({})), "localhost",
         verifyFailed + "unable to get local issuer certificate)"},
        {"wrong host name", Leaf("DNS:other.example"), "localhost", "TLS: host name mismatch"},
        {"IP literal not in the certificate", Leaf("DNS:localhost"), "127.0.0.1",
         "TLS: host name mismatch"},
        {"name not in a certificate for the IP", Leaf("IP:127.0.0.1"), "localhost",
         "TLS: host name mismatch"},
        {"expired", Leaf("DNS:localhost", -10, -1), "localhost",
         verifyFailed + "certificate has expired)"},
        {"not yet valid", Leaf("DNS:localhost", 1, 30), "localhost",
         verifyFailed + "certificate is not yet valid)"},
        {"self-signed leaf", WithCertificate(TTestCA::SelfSigned({})), "localhost",
         verifyFailed + "self-signed certificate)"},
        {"only TLS 1.0 and 1.1", OnlyOldVersions(), "localhost",
         "TLS: the server offers only protocol versions older than TLS 1.2"},
    };
    return cases;
}
