// The GET exchange against scripted loopback servers: the bytes that go out, and what each
// kind of reply does to the client.
#include "http/IdExceptions.h"
#include "http/IdHTTP.h"
#include "tests/support/LoopbackServer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TServerScript Answer(const std::string& reply) {
    return {step::ReadRequest(), step::Send(reply), step::Close()};
}

// The error the exchange raises, or a default one when it returns.
template <typename E, typename F> E Raised(F&& f) {
    try {
        f();
    } catch (const E& e) {
        return e;
    }
    ADD_FAILURE() << "nothing was raised";
    return E(std::string(), 0, {});
}

} // namespace

TEST(HTTPExchange, SendsExactlyTheSixLineHead) {
    TLoopbackServer server({Answer(HttpReply("200 OK", "hi"))});
    TIdHTTP http;
    http.Request().UserAgent = "Agent/1";
    EXPECT_EQ(http.GetAsText(server.Url("/path/doc.php?q=1&r")), u"hi");
    EXPECT_EQ(server.Requests().at(0), "GET /path/doc.php?q=1&r HTTP/1.1\r\n"
                                       "Host: " +
                                           server.HostPort() +
                                           "\r\n"
                                           "Accept: text/html, */*\r\n"
                                           "Accept-Encoding: identity\r\n"
                                           "User-Agent: Agent/1\r\n"
                                           "\r\n");
}

TEST(HTTPExchange, HostLineKeepsThePortTextAsWritten) {
    TLoopbackServer server({Answer(HttpReply("200 OK", "x"))});
    TIdHTTP http;
    const std::string portText = "0" + std::to_string(server.Port());
    http.GetAsText("http://127.0.0.1:" + portText);
    const std::string head = server.Requests().at(0);
    EXPECT_EQ(head.substr(0, head.find("\r\n")), "GET / HTTP/1.1");
    EXPECT_NE(head.find("\r\nHost: 127.0.0.1:" + portText + "\r\n"), std::string::npos);
}

TEST(HTTPExchange, BodyFramingAndDecoding) {
    struct Case {
        const char* name;
        std::string reply;
        std::u16string text;
    };
    const std::vector<Case> cases = {
        {"content-length", HttpReply("200 OK", "hello"), u"hello"},
        {"interim 100 skipped", "HTTP/1.1 100 Continue\r\n\r\n" + HttpReply("200 OK", "ok"), u"ok"},
        {"chunked",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: Chunked\r\n\r\n5\r\nhello\r\n"
         "3 comment\r\nabc\r\n0\r\n\r\n",
         u"helloabc"},
        {"chunk extension ends the body",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
         "2\r\nok\r\n5;ext=1\r\nhello\r\n0\r\n\r\n",
         u"ok"},
        {"until close", "HTTP/1.1 200 OK\r\n\r\nno length", u"no length"},
        {"short content-length kept", "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabcd", u"abcd"},
        {"charset utf8 quoted",
         HttpReply("200 OK", "\xC8\x99\xC5\xA3", "Content-Type: text/plain; charset=\"utf8\"\r\n"),
         u"\u0219\u0163"},
        {"malformed utf-8",
         HttpReply("200 OK", "a\xC3", "Content-Type: text/html;charset=UTF-8\r\n"), u"a\uFFFD"},
        {"other charset byte by byte",
         HttpReply("200 OK", "\xE9", "Content-Type: text/plain; charset=ISO-8859-2\r\n"),
         u"\u00E9"},
        {"no content type byte by byte", HttpReply("200 OK", "\xE9"), u"\u00E9"},
        {"folded header still parsed",
         "HTTP/1.1 200 OK\r\nContent-Type: text/plain;\r\n charset=utf-8\r\nContent-Length: 2\r\n"
         "\r\n\xC3\xA9",
         u"\u00E9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TLoopbackServer server({Answer(c.reply)});
        TIdHTTP http;
        EXPECT_EQ(http.GetAsText(server.Url()), c.text);
        EXPECT_EQ(http.StatusCode(), 200);
    }
}

TEST(HTTPExchange, RepliesOutsideClassTwoRaiseWithCodeAndBody) {
    struct Case {
        std::string reply;
        int code;
        std::string location;
        std::u16string body;
    };
    const std::vector<Case> cases = {
        {HttpReply("404 Not Found", "missing"), 404, "", u"missing"},
        {HttpReply("301 Moved", "", "Location: http://a/b\r\n"), 301, "http://a/b", u""},
        {HttpReply("302 Found", "", "Location: /x\r\n"), 302, "/x", u""},
        {HttpReply("303 See Other", "", "Location: /y\r\n"), 303, "/y", u""},
        {HttpReply("307 Temporary", "", "Location: /z\r\n"), 307, "/z", u""},
        {HttpReply("200 OK", "body", "Location: /w\r\n"), 200, "/w", u"body"},
        {HttpReply("500 Oops", "\xE9"), 500, "", u"\u00E9"},
        {HttpReply("401 Unauthorized", "", "WWW-Authenticate: Basic realm=\"r\"\r\n"), 401, "",
         u""},
        {"HTTP/1.1 OK fine\r\nContent-Length: 0\r\n\r\n", -1, "", u""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reply);
        TLoopbackServer server({Answer(c.reply)});
        TIdHTTP http;
        TMemoryStream stream;
        const std::uint8_t before[] = {'k'};
        stream.Write(before, 1);
        const auto e =
            Raised<EIdHTTPProtocolException>([&] { http.GetIntoStream(server.Url(), &stream); });
        EXPECT_EQ(e.ReplyCode(), c.code);
        EXPECT_EQ(e.ReplyBody(), c.body);
        EXPECT_EQ(e.what(), c.reply.substr(0, c.reply.find("\r\n")));
        EXPECT_EQ(http.StatusCode(), c.code);
        EXPECT_EQ(http.Reply().Location, c.location);
        EXPECT_EQ(stream.Size(), 1) << "the caller's stream receives nothing of an error body";
    }
}

TEST(HTTPExchange, NoContentReturnsEmptyText) {
    TLoopbackServer server({Answer("HTTP/1.1 204 No Content\r\n\r\n")});
    TIdHTTP http;
    EXPECT_EQ(http.GetAsText(server.Url()), u"");
    EXPECT_EQ(http.StatusCode(), 204);
}

// After the 255th header line one more line is read and dropped; the rest is body.
TEST(HTTPExchange, HeaderLinesStopAtTheLimit) {
    const auto filler = [](int i) { return "X-Line-" + std::to_string(i) + ": v\r\n"; };
    struct Case {
        int lines; // header lines, Content-Length: 5 the first of them
        std::u16string body;
    };
    const std::vector<Case> cases = {
        {254, u"hello"},
        {255, u"hello"},   // the dropped line is the blank one that ends the head
        {256, u"\r\nhel"}, // the 256th line is dropped, the blank line is left
        {300, u"X-Lin"},   // from the 257th line on it is all body
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines);
        std::string reply = "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n";
        for (int i = 2; i <= c.lines; ++i)
            reply += filler(i);
        TLoopbackServer server({Answer(reply + "\r\nhello")});
        TIdHTTP http;
        EXPECT_EQ(http.GetAsText(server.Url()), c.body);
        EXPECT_EQ(http.Reply().HeaderLines.Count(),
                  static_cast<std::size_t>(std::min(c.lines, 255)));
    }
}

TEST(HTTPExchange, LinesOfTheMaximumLengthPassAndLongerOnesRaise) {
    for (const std::size_t length : {16384u, 16385u}) {
        const std::string reply = "HTTP/1.1 200 OK\r\nX-Long: " + std::string(length - 8, 'a') +
                                  "\nContent-Length: 1\r\n\r\nz";
        TLoopbackServer server({Answer(reply)});
        TIdHTTP http;
        if (length == 16384)
            EXPECT_EQ(http.GetAsText(server.Url()), u"z");
        else
            EXPECT_THROW(http.GetAsText(server.Url()), EIdReadLnMaxLineLengthExceeded);
    }
}

TEST(HTTPExchange, BrokenBodiesRaise) {
    struct Case {
        const char* name;
        std::string reply;
        std::string streamAfter;
    };
    const std::vector<Case> cases = {
        {"close mid-chunk", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n9\r\nabc", "abc"},
        {"chunk size beyond 64 bits",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nok\r\n1FFFFFFFFFFFFFFFF\r\n",
         "ok"},
        {"negative chunk size", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n-5\r\n", ""},
        {"closed before the status line", "HTTP/1.1 20", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TLoopbackServer server({Answer(c.reply)});
        TIdHTTP http;
        TMemoryStream stream;
        EXPECT_THROW(http.GetIntoStream(server.Url(), &stream), EIdException);
        EXPECT_EQ(std::string(stream.Bytes().begin(), stream.Bytes().end()), c.streamAfter);
    }
}

TEST(HTTPExchange, AnnouncedLengthIsNotTrustedForAllocation) {
    TLoopbackServer server({Answer("HTTP/1.1 200 OK\r\nContent-Length: 2000000000\r\n\r\nhello")});
    TIdHTTP http;
    TMemoryStream stream;
    http.GetIntoStream(server.Url(), &stream);
    EXPECT_EQ(stream.Size(), 5);
    EXPECT_LE(stream.Bytes().capacity(), 2u << 20);
}

TEST(HTTPExchange, BodyCapAndReadTimeoutFail) {
    TLoopbackServer capped({Answer(HttpReply("200 OK", std::string(5000, 'b')))});
    TIdHTTP http;
    http.MaxBodySize = 4096;
    TMemoryStream stream;
    EXPECT_THROW(http.GetIntoStream(capped.Url(), &stream), EIdBodyTooLarge);
    EXPECT_LE(stream.Size(), 4096);

    TLoopbackServer silent(
        {{step::ReadRequest(), step::Send("HTTP/1.1 200 OK\r\n\r\nab"), step::HoldOpen()}});
    TIdHTTP slow;
    slow.ReadTimeout = 100;
    EXPECT_THROW(slow.GetAsText(silent.Url()), EIdReadTimeout);
}

TEST(HTTPExchange, KeptConnectionIsReusedAndClosedOneIsNot) {
    const std::string first = HttpReply("200 OK", "one");
    TLoopbackServer kept({{step::ReadRequest(), step::Send(first), step::ReadRequest(),
                           step::Send(HttpReply("200 OK", "two")), step::HoldOpen()}});
    TIdHTTP http;
    EXPECT_EQ(http.GetAsText(kept.Url("/a")), u"one");
    EXPECT_EQ(http.GetAsText(kept.Url("/b")), u"two");
    EXPECT_EQ(kept.ConnectionCount(), 1);

    TLoopbackServer closing(
        {{step::ReadRequest(), step::Send(HttpReply("200 OK", "one", "Connection: close\r\n")),
          step::HoldOpen()},
         Answer(HttpReply("200 OK", "two"))});
    TIdHTTP other;
    EXPECT_EQ(other.GetAsText(closing.Url("/a")), u"one");
    EXPECT_EQ(other.GetAsText(closing.Url("/b")), u"two");
    EXPECT_EQ(closing.ConnectionCount(), 2);
}

// A failing status ends the request only after its body was read: the connection stays fit for
// the next request.
TEST(HTTPExchange, FailedStatusKeepsTheConnectionForTheNextRequest) {
    TLoopbackServer kept(
        {{step::ReadRequest(), step::Send(HttpReply("404 Not Found", "gone")), step::ReadRequest(),
          step::Send(HttpReply("200 OK", "two")), step::HoldOpen()}});
    TIdHTTP http;
    EXPECT_EQ(Raised<EIdHTTPProtocolException>([&] { http.GetAsText(kept.Url("/a")); }).ReplyBody(),
              u"gone");
    EXPECT_EQ(http.GetAsText(kept.Url("/b")), u"two");
    EXPECT_EQ(kept.ConnectionCount(), 1);
}

TEST(HTTPExchange, RedirectFollowUpReusesTheConnectionAndCarriesCookies) {
    TLoopbackServer server(
        {{step::ReadRequest(),
          step::Send(HttpReply("302 Found", "",
                               "Set-Cookie: sid=42; Path=/\r\n"
                               "Set-Cookie: other=1; Path=/elsewhere\r\n"
                               "Location: /next\r\n")),
          step::ReadRequest(), step::Send(HttpReply("200 OK", "done")), step::HoldOpen()}});
    TIdHTTP http;
    EXPECT_THROW(http.GetAsText(server.Url("/start")), EIdHTTPProtocolException);
    EXPECT_EQ(http.GetAsText(server.Url(http.Reply().Location)), u"done");
    ASSERT_EQ(server.ConnectionCount(), 1);
    const std::string both = server.Requests()[0];
    const std::string second = both.substr(both.find("\r\n\r\n") + 4);
    EXPECT_EQ(both.substr(0, both.find("\r\n\r\n")).find("Cookie:"), std::string::npos);
    EXPECT_EQ(second.substr(0, second.find("\r\n")), "GET /next HTTP/1.1");
    EXPECT_NE(second.find("\r\nCookie: sid=42\r\n"), std::string::npos);
}

TEST(HTTPExchange, FollowsRedirectsOnlyWhenAskedAndWithinTheMaximum) {
    TLoopbackServer server(
        {{step::ReadRequest(), step::Send(HttpReply("301 Moved", "", "Location: /b\r\n")),
          step::ReadRequest(), step::Send(HttpReply("200 OK", "b")), step::HoldOpen()}});
    TIdHTTP http;
    http.HandleRedirects = true;
    EXPECT_EQ(http.GetAsText(server.Url("/a")), u"b");

    TLoopbackServer loop(
        {{step::ReadRequest(), step::Send(HttpReply("302 Found", "", "Location: /again\r\n")),
          step::ReadRequest(), step::Send(HttpReply("302 Found", "", "Location: /again\r\n")),
          step::HoldOpen()}});
    TIdHTTP limited;
    limited.HandleRedirects = true;
    limited.RedirectMaximum = 2;
    EXPECT_EQ(limited.GetAsText(loop.Url("/a")), u"");
    EXPECT_EQ(limited.StatusCode(), 302);
}

TEST(HTTPExchange, RefusesBeforeSending) {
    TLoopbackServer server({Answer(HttpReply("200 OK", "x"))});
    TIdHTTP http;
    for (const std::string& target : {std::string("/a\r\nX-Injected: 1"), std::string("/a\nb"),
                                      std::string("/a\tb"), std::string("/a") + '\0' + "b"})
        EXPECT_THROW(http.GetAsText(server.Url(target)), EIdInvalidRequestTarget);
    EXPECT_THROW(http.GetAsText("http://127.0.0.1\r\n:1/"), EIdInvalidRequestTarget);
    EXPECT_THROW(http.GetAsText("https://127.0.0.1:" + std::to_string(server.Port()) + "/"),
                 EIdIOHandlerPropInvalid);
    TIdHTTP fresh; // an unknown scheme without a port falls back to the previous URL's port
    EXPECT_THROW(fresh.GetAsText("gopher://127.0.0.1/"), EIdUnknownProtocol);
    EXPECT_THROW(http.GetAsText("http://127.0.0.1:70000/"), ERangeError);
    EXPECT_EQ(server.ConnectionCount(), 0);
    EXPECT_EQ(http.StatusCode(), -1);
}

TEST(HTTPExchange, SpacesInTheTargetGoOutAsWritten) {
    TLoopbackServer server({Answer(HttpReply("200 OK", "x"))});
    TIdHTTP http;
    http.GetAsText(server.Url("/a b?c d"));
    const std::string head = server.Requests().at(0);
    EXPECT_EQ(head.substr(0, head.find("\r\n")), "GET /a b?c d HTTP/1.1");
}

TEST(HTTPExchange, CloseInsideTheHeadersLeavesNoHeaderBytesInTheBody) {
    TLoopbackServer server({Answer("HTTP/1.1 200 OK\r\nX-A: 1\r\nContent-Le")});
    TIdHTTP http;
    EXPECT_EQ(http.GetAsText(server.Url()), u"");
    EXPECT_EQ(http.StatusCode(), 200);
    EXPECT_EQ(http.Reply().HeaderLines.Count(), 1u);
}

TEST(HTTPExchange, KeptConnectionClosedByTheServerIsReplacedOnce) {
    TLoopbackServer server({{step::ReadRequest(), step::Send(HttpReply("200 OK", "one")),
                             step::ReadRequest(), step::Close()},
                            Answer(HttpReply("200 OK", "two"))});
    TIdHTTP http;
    EXPECT_EQ(http.GetAsText(server.Url("/a")), u"one");
    EXPECT_EQ(http.GetAsText(server.Url("/b")), u"two");
    EXPECT_EQ(server.ConnectionCount(), 2);

    TLoopbackServer fresh({Answer("")});
    TIdHTTP first;
    EXPECT_THROW(first.GetAsText(fresh.Url()), EIdConnClosedGracefully)
        << "a new connection that closes is a failure";
}
