#pragma once
// The certificates a TLS client trusts: the platform's own store, put into a client context once,
// when the process makes its first TLS connection.

struct ssl_ctx_st;

// Loads the platform's trusted roots into the context's store. A store that cannot be read is
// no failure here: verification then fails with its own message.
void LoadSystemTrust(ssl_ctx_st* context);
