// The two fetch helpers reduce every outcome to true (final status 200) or false.
#include "net/FetchLimits.h"
#include "net/uNetUtils.h"
#include "tests/support/Canceller.h"
#include "tests/support/LoopbackServer.h"

#ifdef ZENTRILO_TLS
#include "tests/support/TlsServer.h"
#endif

#include <gtest/gtest.h>

#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

long long MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<milliseconds>(Clock::now() - start).count();
}

// Lowers the helpers' limits for one test and restores them afterwards.
class TLimits {
public:
    TLimits(int readTimeoutMs, int callTimeoutMs, std::int64_t maxBodySize = 1000)
        : saved_(FetchLimits()) {
        FetchLimits().readTimeoutMs = readTimeoutMs;
        FetchLimits().callTimeoutMs = callTimeoutMs;
        FetchLimits().maxBodySize = maxBodySize;
    }
    ~TLimits() { FetchLimits() = saved_; }

private:
    TFetchLimits saved_;
};

TServerScript Answer(const std::string& reply) {
    return {step::ReadRequest(), step::Send(reply), step::Close()};
}

std::string Redirect(const std::string& status, const std::string& location) {
    return HttpReply(status, "moved", "Location: " + location + "\r\n");
}

std::string Text(const TMemoryStream& stream) {
    return std::string(stream.Bytes().begin(), stream.Bytes().end());
}

struct Case {
    const char* name;
    std::vector<std::string> replies; // one per connection
    bool result;
    std::string body;
};

const std::vector<Case>& Cases() {
    static const std::vector<Case> cases = {
        {"200", {HttpReply("200 OK", "body")}, true, "body"},
        {"404", {HttpReply("404 Not Found", "nope")}, false, ""},
        {"204", {"HTTP/1.1 204 No Content\r\n\r\n"}, false, ""},
        {"301 then 200",
         {Redirect("301 Moved", "/next"), HttpReply("200 OK", "second")},
         true,
         "second"},
        {"302 then 302", {Redirect("302 Found", "/a"), Redirect("302 Found", "/b")}, false, ""},
        {"302 then 404", {Redirect("302 Found", "/a"), HttpReply("404 Not Found", "x")}, false, ""},
        {"303 not followed",
         {Redirect("303 See Other", "/a"), HttpReply("200 OK", "x")},
         false,
         ""},
        {"307 not followed",
         {Redirect("307 Temporary", "/a"), HttpReply("200 OK", "x")},
         false,
         ""},
        {"200 with Location", {HttpReply("200 OK", "kept", "Location: /x\r\n")}, true, ""},
        {"short body kept", {"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabcd"}, true, "abcd"},
    };
    return cases;
}

std::vector<TServerScript> Scripts(const Case& c) {
    std::vector<TServerScript> scripts;
    for (const std::string& reply : c.replies)
        scripts.push_back(Answer(reply));
    return scripts;
}

} // namespace

TEST(FetchHelpers, TextOutcomes) {
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.name);
        TLoopbackServer server(Scripts(c));
        std::u16string text = u"old";
        EXPECT_EQ(HttpGetText(server.Url("/start"), text), c.result);
        EXPECT_EQ(text, std::u16string(c.body.begin(), c.body.end()));
    }
}

TEST(FetchHelpers, StreamOutcomesDiscardEarlierContent) {
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.name);
        TLoopbackServer server(Scripts(c));
        TMemoryStream stream;
        const std::uint8_t old[] = {'o', 'l', 'd'};
        stream.Write(old, 3);
        EXPECT_EQ(HttpGetStream(server.Url("/start"), stream), c.result);
        EXPECT_EQ(Text(stream), c.body);
    }
}

TEST(FetchHelpers, RedirectToAnotherServerAndTheHeadSent) {
    TLoopbackServer target({Answer(HttpReply("200 OK", "there"))});
    TLoopbackServer first({Answer(Redirect("301 Moved", target.Url("/t")))});
    std::u16string text;
    EXPECT_TRUE(HttpGetText(first.Url("/f"), text));
    EXPECT_EQ(text, u"there");
    const std::string head = target.Requests().at(0);
    EXPECT_EQ(head.substr(0, head.find("\r\n")), "GET /t HTTP/1.1");
    EXPECT_NE(head.find("\r\nUser-Agent: Mozilla/5.0 (Windows; U; Windows NT 5.1; en-US; "
                        "rv:1.8.1.7) Gecko/20070914 Firefox/2.0.0.7\r\n"),
              std::string::npos);
}

TEST(FetchHelpers, BrokenBodyAfterA200StatusLine) {
    const std::string broken = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n9\r\nabc";
    TLoopbackServer textServer({Answer(broken)});
    std::u16string text = u"old";
    EXPECT_TRUE(HttpGetText(textServer.Url(), text));
    EXPECT_EQ(text, u"");
    TLoopbackServer streamServer({Answer(broken)});
    TMemoryStream stream;
    EXPECT_TRUE(HttpGetStream(streamServer.Url(), stream));
    EXPECT_EQ(Text(stream), "abc");
    // The result stays true, and the control record says why the body is not whole.
    const struct {
        const char* name;
        std::string reply;
        std::string failure;
    } cases[] = {
        {"chunked", broken, "Connection Closed Gracefully."},
        {"short", "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabcd",
         "The connection closed before the whole body came."},
        {"whole", HttpReply("200 OK", "abcd"), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TLoopbackServer server({Answer(c.reply)});
        std::string failure = "old";
        EXPECT_TRUE(HttpGetStreamEx(server.Url(), stream, {nullptr, &failure}));
        EXPECT_EQ(failure, c.failure);
    }
}

TEST(FetchHelpers, UnreachableServersFailQuickly) {
    TRefusingPort refusing;
    std::u16string text = u"old";
    for (const std::string& url : {"http://127.0.0.1:" + std::to_string(refusing.Port()) + "/",
                                   std::string("http://x.invalid/"), std::string("http:///nohost"),
                                   std::string("http://127.0.0.1:0/")}) {
        const auto start = Clock::now();
        EXPECT_FALSE(HttpGetText(url, text)) << url;
        EXPECT_EQ(text, u"");
        EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(200)) << url;
    }
}

TEST(FetchHelpers, ConnectBudgetIsOneSecond) {
    TUnansweredPort port;
    std::u16string text;
    const auto start = Clock::now();
    EXPECT_FALSE(HttpGetText("http://127.0.0.1:" + std::to_string(port.Port()) + "/", text));
    const auto elapsed = Clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(990));
    EXPECT_LT(elapsed, std::chrono::milliseconds(1500));
}

TEST(FetchHelpers, SilenceAndEndlessBodiesFailTheCall) {
    const TLimits limits(100, 5000);
    TLoopbackServer silent({{step::ReadRequest(), step::HoldOpen()}});
    TLoopbackServer stalled(
        {{step::ReadRequest(), step::Send("HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nab"),
          step::HoldOpen()}});
    TLoopbackServer endless({Answer(HttpReply("200 OK", std::string(5000, 'e')))});
    std::u16string text;
    TMemoryStream stream;
    EXPECT_FALSE(HttpGetText(silent.Url(), text));
    EXPECT_FALSE(HttpGetStream(stalled.Url(), stream));
    EXPECT_EQ(stream.Size(), 0);
    EXPECT_FALSE(HttpGetStream(endless.Url(), stream));
    EXPECT_EQ(stream.Size(), 0);
}

// Why a fetch failed, as the check tool and the list show it, and the status code the caller
// may act on (a 429 asks it to wait); no reason after a success.
TEST(FetchHelpers, FailureReasonsAndStatusCodes) {
    const TLimits limits(200, 5000);
    const struct {
        const char* name;
        TServerScript script;
        bool result;
        std::string failure;
        int status;
    } cases[] = {
        {"200", Answer(HttpReply("200 OK", "body")), true, "", 200},
        {"silent", {step::ReadRequest(), step::HoldOpen()}, false, "Read timed out.", 0},
        {"stalled body",
         {step::ReadRequest(), step::Send("HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nab"),
          step::HoldOpen()},
         false,
         "Read timed out.",
         200},
        {"body over the cap", Answer(HttpReply("200 OK", std::string(2000, 'b'))), false,
         "Body size limit exceeded.", 200},
        {"too many requests", Answer(HttpReply("429 Too Many Requests", "slow down")), false,
         "HTTP/1.1 429 Too Many Requests", 429},
        {"status line with control bytes", Answer(HttpReply("500 \x1b]0;title\x07\xff", "")), false,
         "HTTP/1.1 500 ]0;title ?", 500},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TLoopbackServer server({c.script});
        std::u16string text;
        std::string failure = "old";
        int status = -7;
        EXPECT_EQ(HttpGetTextEx(server.Url(), text, {nullptr, &failure, &status}), c.result);
        EXPECT_EQ(failure, c.failure);
        EXPECT_EQ(status, c.status);
    }
}

// The body of a reply that fails by its status is handed on for a caller to show; a success or
// a failure without a reply leaves none.
TEST(FetchHelpers, TheBodyOfAFailedStatusIsKeptApart) {
    const TLimits limits(200, 5000);
    const struct {
        const char* name;
        TServerScript script;
        std::u16string errorBody;
    } cases[] = {
        {"404 with a page", Answer(HttpReply("404 Not Found", "<h1>gone</h1>")), u"<h1>gone</h1>"},
        {"429", Answer(HttpReply("429 Too Many Requests", "slow down")), u"slow down"},
        {"200", Answer(HttpReply("200 OK", "body")), u""},
        {"silent", {step::ReadRequest(), step::HoldOpen()}, u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TLoopbackServer server({c.script});
        TMemoryStream stream;
        std::u16string errorBody = u"old";
        TFetchControl control;
        control.errorBody = &errorBody;
        HttpGetStreamEx(server.Url(), stream, control);
        EXPECT_EQ(errorBody, c.errorBody);
        if (!c.errorBody.empty()) {
            EXPECT_TRUE(stream.Bytes().empty()); // the helper's own contract stands
        }
    }
}

// The bound covers the whole call: a redirect that drips its answer and then points at a peer
// that drips too ends when the call's bound does, not two bounds later.
TEST(FetchHelpers, TheBoundCoversBothRequestsOfARedirect) {
    constexpr int kBoundMs = 600;
    const TLimits limits(200, kBoundMs);
    TServerScript dripping = {step::ReadRequest()};
    for (int i = 0; i < 60; ++i) {
        dripping.push_back(step::Send("x"));
        dripping.push_back(step::Delay(50));
    }
    TLoopbackServer target({dripping});
    TServerScript redirect = {step::ReadRequest()};
    for (char c : HttpReply("301 Moved", "", "Location: " + target.Url() + "\r\n")) {
        redirect.push_back(step::Send(std::string(1, c)));
        if (c == '\n')
            redirect.push_back(step::Delay(50));
    }
    TLoopbackServer first({redirect});
    std::string failure;
    TMemoryStream stream;
    const auto start = Clock::now();
    EXPECT_FALSE(HttpGetStreamEx(first.Url(), stream, {nullptr, &failure}));
    EXPECT_GE(MsSince(start), kBoundMs - 5);
    EXPECT_LT(MsSince(start), kBoundMs + 150);
    EXPECT_EQ(target.ConnectionCount(), 1) << "the redirect was followed";
    EXPECT_EQ(failure, "Request timed out.");
    EXPECT_EQ(stream.Size(), 0);
}

// Another thread abandons a fetch that waits on a silent peer: the helper returns false at
// once, without raising, and says why.
TEST(FetchHelpers, ACancelFromAnotherThreadEndsTheCall) {
    TLoopbackServer silent({{step::ReadRequest(), step::HoldOpen()}});
    TIdDeadline token;
    const TCanceller canceller(token, 150);
    std::u16string text = u"old";
    std::string failure;
    EXPECT_FALSE(HttpGetTextEx(silent.Url(), text, {&token, &failure}));
    EXPECT_LT(canceller.MsSinceCancel(), 50);
    EXPECT_EQ(text, u"");
    EXPECT_EQ(failure, "Request cancelled.");
}

#ifdef ZENTRILO_TLS
// The helpers speak TLS for https URLs, and a redirect may change the scheme; a TLS failure
// gives its own words as the reason.
TEST(FetchHelpers, Https) {
    const TLimits limits(200, 5000);
    TTlsServerOptions wrongName;
    wrongName.certificate = TrustedTestCA().Issue({"other", "DNS:other.example"});
    TTlsServer secure({Answer(HttpReply("200 OK", "secure"))});
    TTlsServer mismatched({Answer(HttpReply("200 OK", "never read"))}, wrongName);
    TLoopbackServer toHttps({Answer(Redirect("301 Moved", secure.Url("/t")))});
    TTlsServer httpsToHttps({Answer(Redirect("302 Found", secure.Url("/t")))});
    TLoopbackServer stalled({{step::HoldOpen()}});
    const struct {
        const char* name;
        std::string url;
        bool result;
        std::string body;
        std::string failure;
    } cases[] = {
        {"https", secure.Url("/t"), true, "secure", ""},
        {"http to https", toHttps.Url(), true, "secure", ""},
        {"https to https", httpsToHttps.Url(), true, "secure", ""},
        {"host name mismatch", mismatched.Url(), false, "", "TLS: host name mismatch"},
        {"stalled handshake", "https://localhost:" + std::to_string(stalled.Port()) + "/", false,
         "", "Read timed out."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TMemoryStream stream;
        std::string failure;
        EXPECT_EQ(HttpGetStreamEx(c.url, stream, {nullptr, &failure}), c.result);
        EXPECT_EQ(Text(stream), c.body);
        EXPECT_EQ(failure, c.failure);
    }
}
#endif
