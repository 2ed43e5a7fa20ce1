#pragma once
// The scripted loopback server over TLS, with OpenSSL on the server side too: each accepted
// connection first completes a handshake with the chosen certificate and protocol versions, then
// runs the steps of a TLoopbackServer script on the decrypted bytes, recording what it reads.

#include "tests/support/LoopbackServer.h"
#include "tests/support/TestCA.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

struct ssl_ctx_st;
struct ssl_st;

struct TTlsServerOptions {
    TCertificate certificate = LocalhostCertificate();
    // A server of old: it offers TLS 1.0 and 1.1 only.
    bool onlyOldVersions = false;
    // The TLS 1.3 cipher suites offered; empty: OpenSSL's defaults.
    std::string cipherSuites;
    // Whether step::Close() says close_notify before its FIN.
    bool closeNotify = true;
    // Whether what each connection reads is kept for Requests(); long runs keep nothing.
    bool keepRequests = true;
};

// The default options but for the certificate.
TTlsServerOptions WithCertificate(TCertificate certificate);

class TTlsServer {
public:
    // Connection n runs scripts[n], the last script once they run out.
    explicit TTlsServer(std::vector<TServerScript> scripts, TTlsServerOptions options = {});
    ~TTlsServer();
    TTlsServer(const TTlsServer&) = delete;
    TTlsServer& operator=(const TTlsServer&) = delete;

    std::uint16_t Port() const { return port_; }
    // localhost:PORT: the default certificate is made for that name.
    std::string HostPort() const;
    std::string Url(const std::string& pathAndQuery = "/") const;
    // Bytes read on each connection so far, in order of acceptance.
    std::vector<std::string> Requests() const;
    int ConnectionCount() const;
    // Connections served to their end, their socket closed.
    long Finished() const { return finished_; }
    // The scripts of the connections accepted from now on.
    void SetScripts(std::vector<TServerScript> scripts);
    void Stop();

private:
    using TScripts = std::shared_ptr<const std::vector<TServerScript>>;
    struct TConnection;

    void AcceptLoop();
    void Serve(int fd, std::size_t index, TScripts scripts);
    bool RunStep(TConnection& connection, const TServerStep& s);
    bool ReceiveSome(TConnection& connection, int timeoutMs);
    bool Readable(const TConnection& connection, int timeoutMs) const;
    bool CloseConnection(TConnection& connection, bool closeNotify, int drainMs);

    TTlsServerOptions options_;
    ssl_ctx_st* context_ = nullptr;
    int listener_ = -1;
    int wake_[2] = {-1, -1};
    std::uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<long> finished_{0};
    mutable std::mutex mutex_;
    TScripts scripts_;
    int connections_ = 0;
    std::vector<std::string> received_;
    // Sockets of the connections still served; Stop shuts them down so that none blocks.
    std::set<int> active_;
    std::condition_variable idle_;
    std::thread acceptor_;
};
