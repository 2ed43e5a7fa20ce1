#include "http/IdIOHandlerTLS.h"

#include "http/IdExceptions.h"
#include "http/IdTrustStore.h"

#include <openssl/bio.h>
#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <utility>

namespace {

// One client context for the process: its trust store is read once (the system's bundle holds
// some hundred certificates), and SSL objects made from it may live on any thread.
SSL_CTX* NewClientContext() {
    SSL_CTX* context = SSL_CTX_new(TLS_client_method());
    if (!context)
        throw EIdTLSError("TLS: cannot be set up");
    SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION);
    SSL_CTX_set_verify(context, SSL_VERIFY_PEER, nullptr);
    LoadSystemTrust(context);
    // A close without close_notify is a FIN at that place: the framing of the reply decides
    // whether anything is missing, as over plain TCP.
    SSL_CTX_set_options(context, SSL_OP_IGNORE_UNEXPECTED_EOF);
    // Whole records per receive call instead of a header and a body each.
    SSL_CTX_set_read_ahead(context, 1);
    ERR_clear_error();
    return context;
}

SSL_CTX* ClientContext() {
    static const std::unique_ptr<SSL_CTX, decltype(&SSL_CTX_free)> context(NewClientContext(),
                                                                           &SSL_CTX_free);
    return context.get();
}

bool IsIPLiteral(const std::string& host) {
    return TIdStack::IsIPv4Literal(host) || !TIdStack::CanonicalIPv6(host).empty();
}

std::string VerifyFailure(long result) {
    if (result == X509_V_ERR_HOSTNAME_MISMATCH || result == X509_V_ERR_IP_ADDRESS_MISMATCH)
        return "TLS: host name mismatch";
    return std::string("TLS: certificate verify failed (") + X509_verify_cert_error_string(result) +
           ")";
}

// What the TLS library's last error says, in words a user can act on where it is a common one.
std::string LibraryFailure(bool handshaking) {
    const unsigned long error = ERR_peek_last_error();
    if (error == 0)
        return handshaking ? "TLS: the connection broke during the handshake"
                           : "TLS: the connection broke";
    if (ERR_GET_LIB(error) == ERR_LIB_SSL) {
        switch (ERR_GET_REASON(error)) {
        case SSL_R_UNSUPPORTED_PROTOCOL:
        case SSL_R_TLSV1_ALERT_PROTOCOL_VERSION:
            return "TLS: the server offers only protocol versions older than TLS 1.2";
        case SSL_R_WRONG_VERSION_NUMBER:
        case SSL_R_PACKET_LENGTH_TOO_LONG:
            return "TLS: the server does not speak TLS on this port";
        default:
            break;
        }
    }
    const char* reason = ERR_reason_error_string(error);
    return std::string(handshaking ? "TLS: handshake failed (" : "TLS: connection failed (") +
           (reason ? reason : "unknown reason") + ")";
}

} // namespace

void TIdIOHandlerTLS::TSslFree::operator()(ssl_st* ssl) const {
    SSL_free(ssl);
}

int TIdIOHandlerTLS::SocketRead(bio_st* bio, char* data, int size) {
    auto& self = *static_cast<TIdIOHandlerTLS*>(BIO_get_data(bio));
    BIO_clear_retry_flags(bio);
    try {
        const std::ptrdiff_t received =
            self.Binding()->ReceiveNow(reinterpret_cast<std::uint8_t*>(data), size);
        if (received < 0)
            BIO_set_retry_read(bio);
        self.peerEnded_ = received == 0;
        return static_cast<int>(received);
    } catch (...) {
        self.socketFailure_ = std::current_exception();
        return -1;
    }
}

int TIdIOHandlerTLS::SocketWrite(bio_st* bio, const char* data, int size) {
    auto& self = *static_cast<TIdIOHandlerTLS*>(BIO_get_data(bio));
    BIO_clear_retry_flags(bio);
    try {
        const std::ptrdiff_t sent =
            self.Binding()->SendNow(reinterpret_cast<const std::uint8_t*>(data), size);
        if (sent < 0)
            BIO_set_retry_write(bio);
        return static_cast<int>(sent);
    } catch (...) {
        self.socketFailure_ = std::current_exception();
        return -1;
    }
}

long TIdIOHandlerTLS::SocketControl(bio_st* bio, int command, long, void*) {
    // The TLS library asks whether a read of nothing was the end of the stream (a close without
    // close_notify) or a failure.
    if (command == BIO_CTRL_EOF)
        return static_cast<TIdIOHandlerTLS*>(BIO_get_data(bio))->peerEnded_ ? 1 : 0;
    return command == BIO_CTRL_FLUSH ? 1 : 0;
}

bio_st* TIdIOHandlerTLS::NewSocketBio(TIdIOHandlerTLS& handler) {
    static BIO_METHOD* const method = [] {
        BIO_METHOD* m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "Zentrilo socket");
        if (m) {
            BIO_meth_set_read(m, SocketRead);
            BIO_meth_set_write(m, SocketWrite);
            BIO_meth_set_ctrl(m, SocketControl);
        }
        return m;
    }();
    BIO* bio = method ? BIO_new(method) : nullptr;
    if (bio) {
        BIO_set_data(bio, &handler);
        BIO_set_init(bio, 1);
    }
    return bio;
}

void TIdIOHandlerTLS::OpenTransport() {
    ssl_.reset();
    socketFailure_ = nullptr;
    starved_ = false;
    peerEnded_ = false;
    broken_ = false;
    TIdIOHandlerStack::OpenTransport();
    if (!PassThrough && TransportAllocated())
        Handshake();
}

void TIdIOHandlerTLS::Handshake() {
    ERR_clear_error();
    ssl_.reset(SSL_new(ClientContext()));
    BIO* bio = ssl_ ? NewSocketBio(*this) : nullptr;
    if (!bio)
        Fail("TLS: cannot be set up");
    SSL_set_bio(ssl_.get(), bio, bio);
    // An IP literal is checked against the certificate's addresses and sent as no server name.
    const char* name = Host.c_str();
    const bool named = IsIPLiteral(Host)
                           ? X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl_.get()), name) == 1
                           : SSL_set_tlsext_host_name(ssl_.get(), name) == 1 &&
                                 SSL_set1_host(ssl_.get(), name) == 1;
    if (!named)
        Fail("TLS: host name mismatch");
    SSL_set_connect_state(ssl_.get());
    for (;;) {
        ERR_clear_error();
        const TNeed need = Outcome(SSL_do_handshake(ssl_.get()));
        if (need == TNeed::Nothing)
            break;
        if (need == TNeed::PeerClosed)
            Fail("TLS: the server closed the connection during the handshake");
        Await(need, ReadWaitMs());
    }
    CheckVerified();
}

void TIdIOHandlerTLS::CheckVerified() {
    // The handshake fails on its own when verification does; this only makes sure of it.
    const long result = SSL_get_verify_result(ssl_.get());
    if (result != X509_V_OK)
        Fail(VerifyFailure(result));
    if (!SSL_get0_peer_certificate(ssl_.get()))
        Fail("TLS: certificate verify failed (the server sent no certificate)");
}

TIdIOHandlerTLS::TNeed TIdIOHandlerTLS::Outcome(int result) {
    if (result > 0)
        return TNeed::Nothing;
    const int error = SSL_get_error(ssl_.get(), result);
    if (socketFailure_) {
        broken_ = true;
        Close();
        std::rethrow_exception(std::exchange(socketFailure_, nullptr));
    }
    switch (error) {
    case SSL_ERROR_WANT_READ:
        return TNeed::Read;
    case SSL_ERROR_WANT_WRITE:
        return TNeed::Write;
    case SSL_ERROR_ZERO_RETURN:
        return TNeed::PeerClosed;
    default:
        break;
    }
    const long verified = SSL_get_verify_result(ssl_.get());
    if (verified != X509_V_OK)
        Fail(VerifyFailure(verified));
    Fail(LibraryFailure(!SSL_is_init_finished(ssl_.get())));
}

void TIdIOHandlerTLS::Await(TNeed need, int timeoutMs) {
    if (need == TNeed::Read) {
        starved_ = true;
        if (!WaitReadable(timeoutMs))
            throw EIdReadTimeout();
        return;
    }
    if (!TransportAllocated())
        throw EIdConnClosedGracefully();
    IdWait(Deadline, -1, [this](int ms) { return Binding()->Writable(ms); });
}

void TIdIOHandlerTLS::Fail(const std::string& message) {
    broken_ = true;
    ERR_clear_error();
    // A session that failed is of no further use: nothing may be read from it as a reply.
    Close();
    throw EIdTLSError(message);
}

bool TIdIOHandlerTLS::WaitReadable(int timeoutMs) {
    if (!ssl_)
        return TIdIOHandlerStack::WaitReadable(timeoutMs);
    if (!TransportAllocated())
        throw EIdConnClosedGracefully();
    return IdWait(Deadline, timeoutMs, [this](int ms) {
        // What the last read took off the socket may hold a whole record: read it first.
        if (starved_)
            starved_ = !Binding()->Readable(ms);
        return !starved_;
    });
}

std::ptrdiff_t TIdIOHandlerTLS::Receive(std::uint8_t* data, std::size_t count) {
    if (!ssl_)
        return TIdIOHandlerStack::Receive(data, count);
    for (;;) {
        std::size_t received = 0;
        ERR_clear_error();
        switch (const TNeed need = Outcome(SSL_read_ex(ssl_.get(), data, count, &received))) {
        case TNeed::Nothing:
            return static_cast<std::ptrdiff_t>(received);
        case TNeed::PeerClosed:
            return 0;
        case TNeed::Read:
            starved_ = true;
            return -1;
        case TNeed::Write:
            Await(need, -1);
            break;
        }
    }
}

std::size_t TIdIOHandlerTLS::Send(const std::uint8_t* data, std::size_t count) {
    if (!ssl_)
        return TIdIOHandlerStack::Send(data, count);
    for (;;) {
        std::size_t sent = 0;
        ERR_clear_error();
        const TNeed need = Outcome(SSL_write_ex(ssl_.get(), data, count, &sent));
        if (need == TNeed::Nothing)
            return sent;
        if (need == TNeed::PeerClosed)
            return 0;
        Await(need, ReadWaitMs());
    }
}

void TIdIOHandlerTLS::ReleaseThreadState() {
    OPENSSL_thread_stop();
}

void TIdIOHandlerTLS::CloseTransport() {
    if (ssl_ && !broken_ && TransportAllocated() && SSL_is_init_finished(ssl_.get())) {
        ERR_clear_error();
        SSL_shutdown(ssl_.get()); // one try: close_notify goes out if the socket takes it
        socketFailure_ = nullptr;
        ERR_clear_error();
    }
    ssl_.reset();
    TIdIOHandlerStack::CloseTransport();
}
