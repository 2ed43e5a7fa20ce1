#pragma once
// TLS servers a client must accept or refuse, with the words of each refusal. The client's
// tests and the check tool's run the same rows.

#include "tests/support/TlsServer.h"

#include <string>
#include <vector>

struct TTlsCase {
    const char* name;
    TTlsServerOptions options;
    const char* host;    // the URL's host
    std::string failure; // empty: the fetch succeeds
};

const std::vector<TTlsCase>& TlsVerificationCases();
