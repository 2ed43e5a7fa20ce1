#pragma once
// TLS over the socket handler, for https URLs. The server's chain is verified against the
// system's trust store (IdTrustStore), its certificate against the URL's host name or IP
// literal, and nothing older than TLS 1.2 is spoken; none of this can be turned off. The socket
// never waits inside the TLS library: every wait is this handler's, so the read time-out, the
// bound on the exchange and a cancel hold for the handshake and every read as they do for plain
// bytes.

#include "http/IdIOHandlerStack.h"

#include <exception>
#include <memory>

struct bio_st;
struct ssl_st;

class TIdIOHandlerTLS : public TIdIOHandlerStack {
public:
    // The handshake's last flight and the request leave in separate writes: with Nagle's rule
    // the request would wait for the server's delayed acknowledgement.
    TIdIOHandlerTLS() { UseNagle = false; }

    bool TLSCapable() const override { return true; }
    // Frees the TLS library's state of the calling thread; see ReleaseFetchThreadState.
    static void ReleaseThreadState();

protected:
    // The TCP connection and, unless PassThrough, the handshake on it.
    void OpenTransport() override;
    // Says close_notify when the session is sound, then closes the socket.
    void CloseTransport() override;
    bool WaitReadable(int timeoutMs) override;
    std::ptrdiff_t Receive(std::uint8_t* data, std::size_t count) override;
    std::size_t Send(const std::uint8_t* data, std::size_t count) override;

private:
    // What a TLS call needs before it can go on.
    enum class TNeed { Nothing, Read, Write, PeerClosed };

    struct TSslFree {
        void operator()(ssl_st* ssl) const;
    };

    void Handshake();
    void CheckVerified();
    // The outcome of a TLS call that returned `result`; raises for a failure.
    TNeed Outcome(int result);
    // Waits until the socket can give what `need` asks (a read within timeoutMs).
    void Await(TNeed need, int timeoutMs);
    [[noreturn]] void Fail(const std::string& message);
    int ReadWaitMs() const { return ReadTimeout > 0 ? ReadTimeout : -1; }

    // The TLS library's socket callbacks: they neither wait nor raise. -1 with the retry flag
    // set when the socket has nothing at once; -1 without it on a failure, which is kept for
    // Outcome to raise.
    static int SocketRead(bio_st* bio, char* data, int size);
    static int SocketWrite(bio_st* bio, const char* data, int size);
    static long SocketControl(bio_st* bio, int command, long number, void* pointer);
    static bio_st* NewSocketBio(TIdIOHandlerTLS& handler);

    std::unique_ptr<ssl_st, TSslFree> ssl_;
    std::exception_ptr socketFailure_;
    // The last read wanted bytes the socket did not have: wait for it before reading again.
    bool starved_ = false;
    // The socket's last read met the end of the stream.
    bool peerEnded_ = false;
    // A fatal failure: no close_notify may follow.
    bool broken_ = false;
};
