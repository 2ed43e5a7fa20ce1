// The client over TLS against a loopback TLS server with certificates made at run time: what is
// verified and what each failure says, the bounds on the handshake, and the reading rules of
// plain HTTP holding over TLS.
#include "http/IdExceptions.h"
#include "http/IdHTTP.h"
#include "tests/support/MemoryIOHandler.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#ifdef ZENTRILO_TLS
#include "http/IdIOHandlerTLS.h"
#include "tests/support/Canceller.h"
#include "tests/support/FaultProbe.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/TlsCases.h"

#include <chrono>
#include <functional>
#endif

namespace {

// The whole head of a GET with the default settings and the user agent "Agent/1".
std::string Head(const std::string& target, const std::string& host) {
    return "GET " + target + " HTTP/1.1\r\nHost: " + host +
           "\r\nAccept: text/html, */*\r\nAccept-Encoding: identity\r\n"
           "User-Agent: Agent/1\r\n\r\n";
}

} // namespace

// The Host line leaves out the scheme's own port, as it was written: 443 for https, 80 for http.
TEST(TLS, HostLineLeavesOutTheDefaultPortOfTheScheme) {
    const struct {
        const char* url;
        const char* host;
    } cases[] = {
        {"https://example.com/x", "example.com"},
        {"https://example.com:443/x", "example.com"},
        {"https://example.com:0443/x", "example.com:0443"},
        {"https://example.com:8443/x", "example.com:8443"},
        {"http://example.com:443/x", "example.com:443"},
        {"http://example.com:80/x", "example.com"},
        {"https://[::1]/x", "[::1]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        TIdHTTP http;
        auto memory = std::make_unique<TMemoryIOHandler>("HTTP/1.1 200 OK\r\n\r\n");
        const TMemoryIOHandler& handler = *memory;
        http.SetIOHandler(std::move(memory));
        http.Request().UserAgent = "Agent/1";
        http.GetAsText(c.url);
        EXPECT_EQ(handler.Written(), Head("/x", c.host));
    }
}

#ifdef ZENTRILO_TLS

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

long long MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<milliseconds>(Clock::now() - start).count();
}

TServerScript Answer(const std::string& reply) {
    return {step::ReadRequest(), step::Send(reply), step::Close()};
}

// A client with the TLS handler and a read time-out that ends a silent peer in tests.
std::unique_ptr<TIdHTTP> TlsClient(int readTimeoutMs = 2000) {
    auto http = std::make_unique<TIdHTTP>();
    http->ReadTimeout = readTimeoutMs;
    http->SetIOHandler(std::make_unique<TIdIOHandlerTLS>());
    return http;
}

// The message of the client's error for `run`, or "" when it returned.
template <typename E> std::string Raised(const std::function<void()>& run) {
    try {
        run();
    } catch (const E& e) {
        return e.what();
    } catch (const std::exception& e) {
        return std::string("other error: ") + e.what();
    }
    return "";
}

} // namespace

// What is verified, and the words of each failure. A refused server never sees the request.
TEST(TLS, VerifiesTheChainTheNameAndTheVersion) {
    for (const TTlsCase& c : TlsVerificationCases()) {
        SCOPED_TRACE(c.name);
        TTlsServer server({Answer(HttpReply("200 OK", "secure"))}, c.options);
        const auto http = TlsClient();
        const std::string url =
            "https://" + std::string(c.host) + ":" + std::to_string(server.Port()) + "/x";
        std::u16string text;
        EXPECT_EQ(Raised<EIdTLSError>([&] { text = http->GetAsText(url); }), c.failure);
        EXPECT_EQ(text, c.failure.empty() ? u"secure" : u"");
        server.Stop();
        ASSERT_EQ(server.ConnectionCount(), 1);
        EXPECT_EQ(server.Requests()[0].empty(), !c.failure.empty()) << server.Requests()[0];
        EXPECT_FALSE(http->IsConnected());
    }
}

// Peers that are no TLS server fail the handshake with what they are.
TEST(TLS, PeersThatDoNotSpeakTLS) {
    const struct {
        const char* name;
        TServerScript script;
        std::string failure;
    } cases[] = {
        {"plain HTTP behind an https URL",
         {step::Send(HttpReply("400 Bad Request", "plain")), step::Close()},
         "TLS: the server does not speak TLS on this port"},
        {"closed at once",
         {step::Close()},
         "TLS: the server closed the connection during the handshake"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TLoopbackServer server({c.script});
        const auto http = TlsClient();
        const auto start = Clock::now();
        EXPECT_EQ(Raised<EIdTLSError>([&] {
                      http->GetAsText("https://localhost:" + std::to_string(server.Port()));
                  }),
                  c.failure);
        EXPECT_LT(MsSince(start), 1000);
    }
}

// A server that accepts and never answers the handshake is ended by the read time-out, the
// bound on the exchange or a cancel, each as promptly as over plain TCP, and nothing is left.
TEST(TLS, AStalledHandshakeIsBounded) {
    TLoopbackServer stalled({{step::HoldOpen()}});
    const std::string url = "https://localhost:" + std::to_string(stalled.Port()) + "/";
    const TResourceCounts baseline = CountResources();
    {
        const auto http = TlsClient(200);
        const auto start = Clock::now();
        EXPECT_EQ(Raised<EIdReadTimeout>([&] { http->GetAsText(url); }), "Read timed out.");
        EXPECT_GE(MsSince(start), 195);
        EXPECT_LT(MsSince(start), 1000);
    }
    {
        const TIdDeadline bound(300);
        const auto http = TlsClient(0);
        http->SetDeadline(&bound);
        const auto start = Clock::now();
        EXPECT_EQ(Raised<EIdDeadlineExceeded>([&] { http->GetAsText(url); }), "Request timed out.");
        EXPECT_GE(MsSince(start), 295);
        EXPECT_LT(MsSince(start), 1000);
    }
    {
        TIdDeadline token;
        const TCanceller canceller(token, 150);
        const auto http = TlsClient(0);
        http->SetDeadline(&token);
        EXPECT_EQ(Raised<EIdCancelled>([&] { http->GetAsText(url); }), "Request cancelled.");
        EXPECT_LT(canceller.MsSinceCancel(), 50);
        EXPECT_FALSE(http->IsConnected());
    }
    EXPECT_EQ(SettledResources(baseline), baseline);
}

// After the handshake a silent server and a cancel end a read as they do over plain TCP.
TEST(TLS, ASilentReadEndsByTimeOutOrCancel) {
    TTlsServer server(
        {{step::ReadRequest(), step::Send("HTTP/1.1 200 OK\r\n\r\npart"), step::HoldOpen()}});
    const auto slow = TlsClient(200);
    EXPECT_EQ(Raised<EIdReadTimeout>([&] { slow->GetAsText(server.Url()); }), "Read timed out.");
    TIdDeadline token;
    const TCanceller canceller(token, 150);
    const auto http = TlsClient(0);
    http->SetDeadline(&token);
    EXPECT_EQ(Raised<EIdCancelled>([&] { http->GetAsText(server.Url()); }), "Request cancelled.");
    EXPECT_LT(canceller.MsSinceCancel(), 50);
}

// The framing rules of plain HTTP over TLS; a close without close_notify is a FIN there.
TEST(TLS, BodiesAndCloses) {
    const std::string chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                                "5\r\nhello\r\n6\r\n world\r\n0\r\n\r\n";
    const struct {
        const char* name;
        std::string reply;
        bool closeNotify;
        std::u16string text;
        std::string failure;
    } cases[] = {
        {"content-length", HttpReply("200 OK", "sized"), true, u"sized", ""},
        {"chunked", chunked, true, u"hello world", ""},
        {"interim 100", "HTTP/1.1 100 Continue\r\n\r\n" + HttpReply("200 OK", "final"), true,
         u"final", ""},
        {"until close_notify", "HTTP/1.1 200 OK\r\n\r\nto the end", true, u"to the end", ""},
        {"until a FIN without close_notify", "HTTP/1.1 200 OK\r\n\r\nto the end", false,
         u"to the end", ""},
        {"FIN without close_notify after the whole body", HttpReply("200 OK", "whole"), false,
         u"whole", ""},
        {"FIN without close_notify inside a sized body",
         "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabcd", false, u"abcd", ""},
        {"FIN without close_notify inside a chunk", chunked.substr(0, chunked.find("wor")), false,
         u"", "Connection Closed Gracefully."},
        {"close_notify inside a chunk", chunked.substr(0, chunked.find("wor")), true, u"",
         "Connection Closed Gracefully."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TTlsServerOptions options;
        options.closeNotify = c.closeNotify;
        TTlsServer server({Answer(c.reply)}, options);
        const auto http = TlsClient();
        std::u16string text;
        EXPECT_EQ(Raised<EIdException>([&] { text = http->GetAsText(server.Url()); }), c.failure);
        EXPECT_EQ(text, c.text);
        EXPECT_EQ(http->StatusCode(), 200);
    }
}

TEST(TLS, SendsExactlyTheSixLineHead) {
    TTlsServer server({Answer(HttpReply("200 OK", "hi"))});
    const auto http = TlsClient();
    http->Request().UserAgent = "Agent/1";
    EXPECT_EQ(http->GetAsText(server.Url("/path/doc.php?q=1&r")), u"hi");
    server.Stop();
    EXPECT_EQ(server.Requests().at(0), Head("/path/doc.php?q=1&r", server.HostPort()));
}

// A kept TLS connection carries the next request without a new handshake; one the server closed
// while idle (close_notify or a bare FIN) is replaced.
TEST(TLS, KeepAliveReusesTheConnection) {
    TTlsServer kept(
        {{step::ReadRequest(), step::Send(HttpReply("200 OK", "one")), step::ReadRequest(),
          step::Send(HttpReply("200 OK", "two")), step::HoldOpen()}});
    const auto http = TlsClient();
    EXPECT_EQ(http->GetAsText(kept.Url("/a")), u"one");
    EXPECT_EQ(http->GetAsText(kept.Url("/b")), u"two");
    EXPECT_EQ(kept.ConnectionCount(), 1);

    for (const bool closeNotify : {true, false}) {
        SCOPED_TRACE(closeNotify ? "close_notify" : "bare FIN");
        TTlsServerOptions options;
        options.closeNotify = closeNotify;
        TTlsServer closing({{step::ReadRequest(), step::Send(HttpReply("200 OK", "one")),
                             step::Delay(20), step::Close()},
                            Answer(HttpReply("200 OK", "two"))},
                           options);
        const auto client = TlsClient();
        EXPECT_EQ(client->GetAsText(closing.Url("/a")), u"one");
        EXPECT_EQ(client->GetAsText(closing.Url("/b")), u"two");
        EXPECT_EQ(closing.ConnectionCount(), 2);
    }
}

// One client, one TLS handler: plain and TLS connections in turn, never one for the other. The
// assigned handler outlives a failed connect.
TEST(TLS, PlainAndTLSOnOneClient) {
    TLoopbackServer plain({Answer(HttpReply("200 OK", "plain"))});
    TTlsServer secure({Answer(HttpReply("200 OK", "secure"))});
    TRefusingPort refusing;
    const auto http = TlsClient();
    EXPECT_THROW(http->GetAsText("https://localhost:" + std::to_string(refusing.Port())),
                 EIdSocketError);
    EXPECT_EQ(http->GetAsText(plain.Url()), u"plain");
    EXPECT_EQ(http->GetAsText(secure.Url()), u"secure");
    EXPECT_EQ(http->GetAsText(plain.Url()), u"plain");
    EXPECT_EQ(plain.ConnectionCount(), 2);
    const std::string head = plain.Requests().at(1);
    EXPECT_EQ(head.substr(0, head.find("\r\n")), "GET / HTTP/1.1") << "no TLS bytes on http";
}

#endif
