#include "tests/support/TlsServer.h"

#include "tests/support/PortableSocket.h"
#include "tools/loopback/LoopbackListener.h"
#include "tools/loopback/LoopbackSend.h"

#ifndef _WIN32
#include <netinet/tcp.h>
#endif
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>

#include <chrono>
#include <csignal>
#include <stdexcept>

struct TTlsServer::TConnection {
    int fd;
    std::size_t index;
    SSL* ssl;
    std::string received; // what this connection read, for finding the end of a request head
    std::size_t consumed = 0;
};

namespace {

using Clock = std::chrono::steady_clock;

void Require(bool ok, const char* what) {
    if (!ok)
        throw std::runtime_error(std::string("TLS test server: ") + what);
}

std::unique_ptr<BIO, decltype(&BIO_free)> PemSource(const std::string& pem) {
    return {BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())), &BIO_free};
}

// The certificate chain and key of `certificate` into `context`.
void UseCertificate(SSL_CTX* context, const TCertificate& certificate) {
    const auto chain = PemSource(certificate.chain);
    X509* leaf = PEM_read_bio_X509(chain.get(), nullptr, nullptr, nullptr);
    Require(leaf && SSL_CTX_use_certificate(context, leaf) == 1, "bad certificate");
    X509_free(leaf);
    while (X509* issuer = PEM_read_bio_X509(chain.get(), nullptr, nullptr, nullptr))
        SSL_CTX_add_extra_chain_cert(context, issuer); // the context owns it now
    ERR_clear_error();                                 // the end of the chain reads as an error
    const auto keySource = PemSource(certificate.key);
    EVP_PKEY* key = PEM_read_bio_PrivateKey(keySource.get(), nullptr, nullptr, nullptr);
    Require(key && SSL_CTX_use_PrivateKey(context, key) == 1, "bad key");
    EVP_PKEY_free(key);
}

SSL_CTX* NewServerContext(const TTlsServerOptions& options) {
    SSL_CTX* context = SSL_CTX_new(TLS_server_method());
    Require(context != nullptr, "no context");
    UseCertificate(context, options.certificate);
    if (options.onlyOldVersions) {
        // Old versions need the old, weak settings to be offered at all.
        SSL_CTX_set_security_level(context, 0);
        SSL_CTX_set_min_proto_version(context, TLS1_VERSION);
        SSL_CTX_set_max_proto_version(context, TLS1_1_VERSION);
    }
    if (!options.cipherSuites.empty())
        Require(SSL_CTX_set_ciphersuites(context, options.cipherSuites.c_str()) == 1,
                "bad cipher suites");
    // No client here resumes a session: tickets would only cost both sides time.
    SSL_CTX_set_num_tickets(context, 0);
    return context;
}

// The server's TLS library writes with write(): a client that went away must give it an error,
// not end the test process with SIGPIPE.
void BlockBrokenPipeSignal() {
#ifndef _WIN32 // Winsock raises no signal
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
#endif
}

} // namespace

TTlsServerOptions WithCertificate(TCertificate certificate) {
    TTlsServerOptions options;
    options.certificate = std::move(certificate);
    return options;
}

TTlsServer::TTlsServer(std::vector<TServerScript> scripts, TTlsServerOptions options)
    : options_(std::move(options)) {
    context_ = NewServerContext(options_);
    scripts_ = std::make_shared<const std::vector<TServerScript>>(std::move(scripts));
    listener_ = OpenTcpSocket();
    port_ = ListenOnLoopback(listener_, 128);
    Require(port_ != 0 && OpenWakePair(wake_), "cannot open a loopback socket");
    acceptor_ = std::thread(&TTlsServer::AcceptLoop, this);
}

TTlsServer::~TTlsServer() {
    Stop();
    CloseSocket(listener_);
    CloseWakePair(wake_);
    SSL_CTX_free(context_);
}

std::string TTlsServer::HostPort() const {
    return "localhost:" + std::to_string(port_);
}

std::string TTlsServer::Url(const std::string& pathAndQuery) const {
    return "https://" + HostPort() + pathAndQuery;
}

std::vector<std::string> TTlsServer::Requests() const {
    std::lock_guard guard(mutex_);
    return received_;
}

int TTlsServer::ConnectionCount() const {
    std::lock_guard guard(mutex_);
    return connections_;
}

void TTlsServer::SetScripts(std::vector<TServerScript> scripts) {
    auto shared = std::make_shared<const std::vector<TServerScript>>(std::move(scripts));
    std::lock_guard guard(mutex_);
    scripts_ = std::move(shared);
}

void TTlsServer::Stop() {
    if (stopping_.exchange(true))
        return;
    SendWake(wake_[1]);
    acceptor_.join();
    std::unique_lock lock(mutex_);
    for (const int fd : active_)
        ::shutdown(fd, SHUT_RDWR);
    idle_.wait(lock, [this] { return active_.empty(); });
}

void TTlsServer::AcceptLoop() {
    for (;;) {
        pollfd entries[2] = {PollEntry(listener_, POLLIN), PollEntry(wake_[0], POLLIN)};
        if (PollSockets(entries, 2, -1) <= 0 || entries[1].revents != 0)
            return;
        const int fd = AcceptSocket(listener_);
        if (fd < 0)
            continue;
        std::lock_guard guard(mutex_);
        const auto index = static_cast<std::size_t>(connections_++);
        if (options_.keepRequests)
            received_.emplace_back();
        active_.insert(fd);
        std::thread(&TTlsServer::Serve, this, fd, index, scripts_).detach();
    }
}

void TTlsServer::Serve(int fd, std::size_t index, TScripts scripts) {
    BlockBrokenPipeSignal();
    // A reply and the close_notify after it are separate writes: no waiting for an ACK between.
    const int noDelay = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay),
                 sizeof noDelay);
    TConnection connection{fd, index, SSL_new(context_), {}, 0};
    bool open =
        connection.ssl && SSL_set_fd(connection.ssl, fd) == 1 && SSL_accept(connection.ssl) == 1;
    const TServerScript& script = (*scripts)[std::min(index, scripts->size() - 1)];
    for (const TServerStep& s : script)
        if (open)
            open = RunStep(connection, s);
    if (open)
        RunStep(connection, step::Close());
    SSL_free(connection.ssl);
    ERR_clear_error();
    // A statically linked OpenSSL on Windows frees no thread's own state when the thread ends.
    OPENSSL_thread_stop();
    std::lock_guard guard(mutex_);
    active_.erase(fd);
    CloseSocket(fd);
    ++finished_;
    idle_.notify_all();
}

bool TTlsServer::Readable(const TConnection& connection, int timeoutMs) const {
    if (SSL_pending(connection.ssl) > 0 || SSL_has_pending(connection.ssl))
        return true;
    pollfd entries[2] = {PollEntry(connection.fd, POLLIN), PollEntry(wake_[0], POLLIN)};
    return PollSockets(entries, 2, timeoutMs) > 0 && entries[0].revents != 0 &&
           entries[1].revents == 0;
}

bool TTlsServer::ReceiveSome(TConnection& connection, int timeoutMs) {
    if (!Readable(connection, timeoutMs))
        return false;
    char data[16384];
    const int n = SSL_read(connection.ssl, data, sizeof data);
    if (n <= 0)
        return false;
    connection.received.append(data, static_cast<std::size_t>(n));
    if (options_.keepRequests) {
        std::lock_guard guard(mutex_);
        received_[connection.index].append(data, static_cast<std::size_t>(n));
    }
    return true;
}

// Ends the connection with a FIN (after close_notify when asked) and waits (bounded) for the
// peer to close its side. Always false: the connection is over.
bool TTlsServer::CloseConnection(TConnection& connection, bool closeNotify, int drainMs) {
    if (closeNotify)
        SSL_shutdown(connection.ssl);
    ::shutdown(connection.fd, SHUT_WR);
    const auto deadline = Clock::now() + std::chrono::milliseconds(drainMs);
    char data[4096];
    while (Clock::now() < deadline && Readable(connection, drainMs) &&
           ::recv(connection.fd, data, sizeof data, 0) > 0) {
    }
    return false;
}

bool TTlsServer::RunStep(TConnection& connection, const TServerStep& s) {
    switch (s.kind) {
    case TServerStep::ReadRequest: {
        const auto deadline = Clock::now() + std::chrono::milliseconds(s.ms);
        for (;;) {
            const auto end = connection.received.find("\r\n\r\n", connection.consumed);
            if (end != std::string::npos) {
                connection.consumed = end + 4;
                return true;
            }
            if (Clock::now() >= deadline || !ReceiveSome(connection, s.ms))
                return CloseConnection(connection, options_.closeNotify, 2000);
        }
    }
    case TServerStep::Send:
        return s.bytes->empty() ||
               SSL_write(connection.ssl, s.bytes->data(), static_cast<int>(s.bytes->size())) > 0;
    case TServerStep::SendRaw:
        SendAll(connection.fd, *s.bytes);
        return true;
    case TServerStep::Delay: {
        pollfd entry = PollEntry(wake_[0], POLLIN);
        PollSockets(&entry, 1, s.ms);
        return true;
    }
    case TServerStep::Close:
        return CloseConnection(connection, options_.closeNotify, s.ms);
    case TServerStep::Reset:
        SetAbortiveClose(connection.fd);
        return false;
    case TServerStep::HoldOpen:
        while (ReceiveSome(connection, -1)) {
        }
        return false;
    }
    return false;
}
