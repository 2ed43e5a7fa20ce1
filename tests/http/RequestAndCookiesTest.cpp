// What goes into a request head beyond the defaults, and which cookies come back.
#include "http/IdCookieManager.h"
#include "http/IdHTTP.h"
#include "tests/support/LoopbackServer.h"

#include <gtest/gtest.h>

TEST(Cookies, MatchingByDomainPathAndLifetime) {
    TIdCookieManager store;
    store.AddServerCookie("a=1", "www.example.test");
    store.AddServerCookie("b=2; Domain=.example.test; Path=/docs", "www.example.test");
    store.AddServerCookie("c=3; Domain=other.test", "www.example.test"); // foreign: refused
    store.AddServerCookie("d=4; Secure", "www.example.test");
    store.AddServerCookie("e=5", "www.example.test");
    store.AddServerCookie("e=gone; Max-Age=0", "www.example.test");
    store.AddServerCookie("f=6; Expires=Sun, 06 Nov 1994 08:49:37 GMT", "www.example.test");
    store.AddServerCookie("a=updated", "WWW.example.test");
    store.AddServerCookie(" =nameless; Path=/", "www.example.test");         // refused
    store.AddServerCookie("g = 7 ;; PATH = /g ;domain", "www.example.test"); // odd spacing
    store.AddServerCookie("h=8; DOMAIN=.Example.Test; path=relative", "www.example.test");
    struct Case {
        const char* url;
        const char* header;
    };
    const Case cases[] = {
        {"http://www.example.test/", "a=updated; h=8"},
        {"http://www.example.test/docs/x", "b=2; a=updated; h=8"},
        {"http://www.example.test/docsmore", "a=updated; h=8"},
        {"http://api.example.test/docs", "b=2; h=8"},
        {"https://www.example.test/", "d=4; a=updated; h=8"},
        {"http://www.example.test/g/x", "a=updated; g=7; h=8"},
        {"http://example.test.evil/docs", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(store.CookieHeader(TIdURI(c.url)), c.header) << c.url;
}

// A server may send any number of cookies, also in interim replies that keep coming: the store
// keeps the newest 50 and refuses one above 4 KiB.
TEST(Cookies, TheStoreIsCapped) {
    std::string interim;
    for (int i = 0; i < 200; ++i)
        interim += "HTTP/1.1 100 Continue\r\nSet-Cookie: c" + std::to_string(i) + "=v\r\n\r\n";
    const std::string big = "big=" + std::string(4093, 'x');     // 4096 bytes of name and value
    const std::string tooBig = "huge=" + std::string(4093, 'x'); // one more
    TLoopbackServer server(
        {{step::ReadRequest(),
          step::Send(interim +
                     HttpReply("200 OK", "ok",
                               "Set-Cookie: " + big + "\r\nSet-Cookie: " + tooBig + "\r\n")),
          step::Close()}});
    TIdHTTP http;
    EXPECT_EQ(http.GetAsText(server.Url()), u"ok");
    ASSERT_NE(http.CookieManager(), nullptr);
    EXPECT_EQ(http.CookieManager()->Count(), TIdCookieManager::kMaxCookies);
    const std::string header = http.CookieManager()->CookieHeader(TIdURI(server.Url()));
    EXPECT_EQ(header.substr(0, header.find(';')), "c151=v") << "the oldest made room";
    EXPECT_EQ(header.substr(header.rfind("; ") + 2, 4), "big=") << "the newest is kept whole";
    EXPECT_EQ(header.find("huge="), std::string::npos) << "a cookie above 4 KiB is refused";
    http.ClearCookies();
    EXPECT_EQ(http.CookieManager()->Count(), 0u);
}

TEST(Request, HeadWithOptionalFieldsInTheirOrder) {
    TLoopbackServer server(
        {{step::ReadRequest(), step::Send(HttpReply("200 OK", "x")), step::Close()}});
    TIdHTTP http;
    http.ProtocolVersion = pv1_0;
    TIdHTTPRequest& r = http.Request();
    r.UserAgent = "UA";
    r.Referer = "http://ref/";
    r.Range = "0-9";
    r.AcceptEncoding = "gzip";
    r.CustomHeaders.Add("X-Custom: 1");
    r.Date = 34644.36779;
    http.GetAsText("http://u:pw@" + server.HostPort() + "/p");
    EXPECT_EQ(server.Requests().at(0), "GET /p HTTP/1.0\r\n"
                                       "Connection: keep-alive\r\n"
                                       "Date: Sun, 06 Nov 1994 08:49:37 GMT\r\n"
                                       "X-Custom: 1\r\n"
                                       "Host: " +
                                           server.HostPort() +
                                           "\r\n"
                                           "Accept: text/html, */*\r\n"
                                           "Accept-Encoding: gzip, identity\r\n"
                                           "Referer: http://ref/\r\n"
                                           "User-Agent: UA\r\n"
                                           "Range: bytes=0-9\r\n"
                                           "\r\n");
    EXPECT_EQ(r.Username, "u") << "credentials of the URL are kept, not sent unasked";
}

TEST(Request, KeepAliveRulesFollowTheClientsVersion) {
    struct Case {
        TIdHTTPProtocolVersion version;
        const char* connection;
        int connections;
    };
    const Case cases[] = {{pv1_1, "", 1},
                          {pv1_1, "Connection: close\r\n", 2},
                          {pv1_0, "", 2},
                          {pv1_0, "Connection: Keep-Alive\r\n", 1},
                          {pv1_1, "Proxy-Connection: CLOSE \r\n", 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.connection);
        const std::string reply = HttpReply("200 OK", "x", c.connection);
        TLoopbackServer server({{step::ReadRequest(), step::Send(reply), step::ReadRequest(),
                                 step::Send(reply), step::HoldOpen()}});
        TIdHTTP http;
        http.ProtocolVersion = c.version;
        http.GetAsText(server.Url("/1"));
        http.GetAsText(server.Url("/2"));
        EXPECT_EQ(server.ConnectionCount(), c.connections);
    }
}
