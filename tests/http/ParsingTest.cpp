// The pure parts of the client: URL splitting, header lists, status codes, charsets, text
// conversions, buffers and the socket error table.
#include "http/IdBuffer.h"
#include "http/IdExceptions.h"
#include "http/IdHTTP.h"
#include "http/IdHTTPDate.h"
#include "http/IdHTTPResponse.h"
#include "http/IdHeaderList.h"
#include "http/IdStack.h"
#include "http/IdTextEncoding.h"
#include "http/IdURI.h"

#include <gtest/gtest.h>

#include <cerrno>

TEST(URI, SplitsAtSeparatorsOnly) {
    struct Case {
        std::string url, protocol, user, password, host, port, path, document, params, bookmark;
        TIdIPVersion ip;
        std::string target;
    };
    const std::vector<Case> cases = {
        {"http://host", "http", "", "", "host", "", "/", "", "", "", Id_IPv4, "/"},
        {"http://host:81/dir/file.txt?a=b", "http", "", "", "host", "81", "/dir/", "file.txt",
         "a=b", "", Id_IPv4, "/dir/file.txt?a=b"},
        {"http://host/page=1", "http", "", "", "host", "", "/", "page", "1", "", Id_IPv4,
         "/page?1"},
        {"http://h/p?q#top", "http", "", "", "h", "", "/", "p", "q#top", "", Id_IPv4, "/p?q#top"},
        {"http://h/p#top?q", "http", "", "", "h", "", "/", "p", "q", "top", Id_IPv4, "/p?q"},
        {"http://[::1]:8080/", "http", "", "", "::1", "8080", "/", "", "", "", Id_IPv6, "/"},
        {"http://[::1]/x", "http", "", "", "::1", "", "/", "x", "", "", Id_IPv6, "/x"},
        {"http://@host/", "http", "", "", "host", "", "/", "", "", "", Id_IPv4, "/"},
        {"http://u:pw@host/", "http", "u", "pw", "host", "", "/", "", "", "", Id_IPv4, "/"},
        {"http:\\\\host\\a\\b.txt", "http", "", "", "host", "", "/a/", "b.txt", "", "", Id_IPv4,
         "/a/b.txt"},
        {"dir/doc.php?u=1", "", "", "", "", "", "dir/", "doc.php", "u=1", "", Id_IPv4,
         "dir/doc.php?u=1"},
        {"page.php?go=http://x/y", "page.php?go=http", "", "", "x", "", "/", "y", "", "", Id_IPv4,
         "/y"},
        {"", "", "", "", "", "", "", "", "", "", Id_IPv4, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        const TIdURI u(c.url);
        EXPECT_EQ(u.Protocol, c.protocol);
        EXPECT_EQ(u.Username, c.user);
        EXPECT_EQ(u.Password, c.password);
        EXPECT_EQ(u.Host, c.host);
        EXPECT_EQ(u.Port, c.port);
        EXPECT_EQ(u.Path, c.path);
        EXPECT_EQ(u.Document, c.document);
        EXPECT_EQ(u.Params, c.params);
        EXPECT_EQ(u.Bookmark, c.bookmark);
        EXPECT_EQ(u.IPVersion, c.ip);
        EXPECT_EQ(u.PathAndQuery(), c.target);
    }
}

TEST(URI, BuildsUrlsWithoutDefaultPorts) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"http://h:80/a", "http://h/a"},
        {"HTTPS://h:443/", "HTTPS://h/"},
        {"http://h:8080/a?b", "http://h:8080/a?b"},
        {"ftp://h:21/", "ftp://h/"},
        {"gopher://h:70/", "gopher://h:70/"},
    };
    for (const auto& [url, built] : cases)
        EXPECT_EQ(TIdURI(url).BuildUrl(false, false), built);
    TIdURI full("http://u:p@h/d#frag");
    EXPECT_EQ(full.BuildUrl(true, true), "http://u:p@h/d#frag");
    EXPECT_EQ(full.URI(), "http://h/d");
    EXPECT_EQ(full.URL, "http://u:p@h/d#frag");
    try {
        TIdURI("/relative").BuildUrl(false, false);
        FAIL();
    } catch (const EIdURIException& e) {
        EXPECT_STREQ(e.what(), "Protocol field is empty");
    }
    TIdURI noHost;
    noHost.Protocol = "http";
    EXPECT_THROW(noHost.BuildUrl(false, false), EIdURIException);
}

TEST(HeaderList, LookupUnfoldingAndUpdates) {
    TIdHeaderList list;
    for (const char* line :
         {"Content-Type: text/plain;", "\tcharset=utf-8", "X-A:  one ", "x-a: two", "NoColon"})
        list.Add(line);
    EXPECT_EQ(list.Value("content-type"), "text/plain; charset=utf-8");
    EXPECT_EQ(list.Value("X-A"), "one");
    EXPECT_EQ(list.Values("X-a"), (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(list.Value("Missing"), "");
    list.SetValue("CONTENT-TYPE", "text/html");
    EXPECT_EQ(list[0], "CONTENT-TYPE: text/html");
    EXPECT_EQ(list[1], "X-A:  one ") << "the continuation went with its line";
    list.SetValue("x-a", "");
    EXPECT_EQ(list.Values("X-A"), (std::vector<std::string>{"two"}));
    list.SetValue("New", "v");
    EXPECT_EQ(list[list.Count() - 1], "New: v");
}

TEST(HeaderList, AddValueAppendsWhateverIsThere) {
    TIdHeaderList list;
    list.AddValue("X-A", "one");
    list.AddValue("x-a", "two");
    list.AddValue("X-B", "");
    EXPECT_EQ(list.Lines(), (std::vector<std::string>{"X-A: one", "x-a: two"}));
    TIdHeaderList narrow(12);
    narrow.AddValue("X", "aaaa bbbb cccc");
    EXPECT_EQ(narrow.Lines(), (std::vector<std::string>{"X: aaaa bbbb", " cccc"}));
}

TEST(HeaderList, FoldsLongLinesOutsideQuotes) {
    TIdHeaderList list(20);
    list.SetValue("X", "aaaa bbbb \"cc dd ee ff\" gggg,hhhh");
    ASSERT_GT(list.Count(), 1u);
    for (std::size_t i = 1; i < list.Count(); ++i)
        EXPECT_EQ(list[i][0], ' ');
    EXPECT_EQ(list.Value("X"), "aaaa bbbb \"cc dd ee ff\" gggg, hhhh");
}

TEST(Response, StatusCodesAndCharsets) {
    const std::vector<std::pair<std::string, int>> codes = {{"HTTP/1.1 404 Not Found", 404},
                                                            {"HTTP/1.0 200", 200},
                                                            {"", -1},
                                                            {"HTTP/1.1", -1},
                                                            {"HTTP/1.1 OK", -1},
                                                            {"HTTP/1.1   302   x", 302},
                                                            {"HTTP/1.1 99999999999 x", -1}};
    TIdHTTP http;
    EXPECT_EQ(http.StatusCode(), -1) << "before any response";
    for (const auto& [line, code] : codes) {
        http.Reply().StatusLine = line;
        EXPECT_EQ(http.StatusCode(), code) << line;
    }
    const std::vector<std::pair<std::string, TTextEncoding>> charsets = {
        {"text/plain; charset=\"utf8\"", teUTF8},
        {"text/html; CHARSET = UTF-8; x", teUTF8},
        {"text/plain; charset=ISO-8859-2", te8Bit},
        {"", te8Bit},
        {"text/plain; charset=utf-16", te8Bit}};
    for (const auto& [type, encoding] : charsets)
        EXPECT_EQ(CharsetEncoding(type), encoding) << type;
}

TEST(Response, ParsedFields) {
    TIdHTTP http;
    TIdHTTPResponse& r = http.Reply();
    // A continuation line belongs to the field above it, even when it reads like a field of its
    // own; the first line of a name gives its value; every authenticate offer counts.
    for (const char* line :
         {"content-length:  42 ", "Content-Range: bytes 10-20/300", "Server: one",
          "\tLocation: /folded", "Location: /x", "Location: /second", "WWW-Authenticate: Basic",
          " realm=a", "WWW-Authenticate: Digest x", "proxy-authenticate: Basic realm=p",
          "Date: Sun, 06 Nov 1994 08:49:37 GMT", "Expires: -5"})
        r.HeaderLines.Add(line);
    r.ProcessHeaders();
    EXPECT_EQ(r.Server, "one Location: /folded");
    EXPECT_EQ(r.WWWAuthenticate, (std::vector<std::string>{"Basic realm=a", "Digest x"}));
    EXPECT_EQ(r.ProxyAuthenticate, (std::vector<std::string>{"Basic realm=p"}));
    EXPECT_EQ(r.ContentLength, 42);
    EXPECT_TRUE(r.HasContentLength);
    EXPECT_EQ(r.ContentRangeStart, 10);
    EXPECT_EQ(r.ContentRangeEnd, 20);
    EXPECT_EQ(r.ContentRangeInstanceLength, 300);
    EXPECT_EQ(r.Location, "/x");
    EXPECT_NEAR(r.Date, 34644.36779, 1e-4);
    EXPECT_EQ(r.Expires, 0);
    EXPECT_EQ(FormatHttpDate(r.Date), "Sun, 06 Nov 1994 08:49:37 GMT");
    for (const char* bad : {"Content-Length: 3000000000", "Content-Length: x"}) {
        r.HeaderLines.Clear();
        r.HeaderLines.Add(bad);
        r.ProcessHeaders();
        EXPECT_EQ(r.ContentLength, -1) << bad;
        EXPECT_FALSE(r.HasContentLength);
        EXPECT_TRUE(r.WWWAuthenticate.empty()) << "no offer is left from the head before";
    }
}

TEST(TextEncoding, Conversions) {
    const std::string bytes = "a\xE9\xC8\x99";
    EXPECT_EQ(DecodeText(bytes, te8Bit), u"a\u00E9\u00C8\u0099");
    EXPECT_EQ(DecodeText(bytes, te7Bit), u"a???");
    EXPECT_EQ(DecodeText(bytes, teUTF8), u"a\uFFFD\u0219");
    EXPECT_EQ(DecodeText(std::string("\xF0\x9F\x98\x80\xED\xA0\x80\xC0\xAF"), teUTF8),
              u"\U0001F600\uFFFD\uFFFD\uFFFD"); // surrogate, lone lead, lone continuation
    EXPECT_EQ(EncodeText(u"\u0219\U0001F600", teUTF8), "\xC8\x99\xF0\x9F\x98\x80");
    EXPECT_EQ(EncodeText(u"a\u0141", te8Bit), "aA");
    EXPECT_EQ(EncodeText(u"a\u00E9", te7Bit), "a?");
    EXPECT_THROW(DecodeText(bytes, teNone), EIdNoEncodingSpecified);
    EXPECT_THROW(EncodeText(u"x", teNone), EIdNoEncodingSpecified);
}

TEST(Buffer, SearchTakeAndErrors) {
    TIdBuffer buffer;
    buffer.Write(std::string("hello\r\nworld"));
    EXPECT_EQ(buffer.IndexOf("\r\n", 0), 5);
    EXPECT_EQ(buffer.IndexOf("\r\n", 6), -1);
    struct Case {
        std::string bytes;
        std::string terminator;
        std::size_t start;
        std::int64_t at;
    };
    const Case cases[] = {
        {"a\rb\r\n", "\r\n", 0, 3}, // a first byte that does not begin the terminator
        {"ab\r", "\r\n", 0, -1},    // a terminator cut off by the end
        {"\r\n\r\n", "\r\n", 1, 2}, {"xyz", "xyz", 0, 0},   {"xyzxyz", "xyz", 1, 3},
        {"xyxyz", "xyz", 0, 2},     {"abc", "abcd", 0, -1}, {"aaa", "a", 2, 2},
    };
    for (const Case& c : cases) {
        TIdBuffer searched;
        searched.Write(c.bytes);
        EXPECT_EQ(searched.IndexOf(c.terminator, c.start), c.at) << c.bytes << " " << c.start;
    }
    try {
        buffer.IndexOf("x", 12);
        FAIL();
    } catch (const EIdException& e) {
        EXPECT_STREQ(e.what(), "Buffer start position is invalid.");
    }
    try {
        buffer.IndexOf("", 0);
        FAIL();
    } catch (const EIdException& e) {
        EXPECT_STREQ(e.what(), "Buffer terminator must be specified.");
    }
    try {
        buffer.ExtractToString(20);
        FAIL();
    } catch (const EIdNotEnoughDataInBuffer& e) {
        EXPECT_STREQ(e.what(), "Not enough data in buffer. (20/12)");
    }
    EXPECT_EQ(buffer.ExtractToString(7), "hello\r\n");
    buffer.Write(std::string(5000, 'z'));
    EXPECT_EQ(buffer.ExtractToString(5), "world");
    buffer.Remove(3000); // past the compaction point
    EXPECT_EQ(buffer.Size(), 2000u);
    EXPECT_EQ(buffer.ExtractToString(2000), std::string(2000, 'z'));
    EXPECT_EQ(buffer.Size(), 0u);
}

TEST(Stack, ErrorTableAndLiterals) {
    const std::vector<std::pair<int, std::string>> messages = {
        {10061, "Socket Error # 10061\r\nConnection refused."},
        {10060, "Socket Error # 10060\r\nConnection timed out."},
        {11001, "Socket Error # 11001\r\nHost not found."},
        {11002, "Socket Error # 11002\r\nHost not found, try again."},
        {11003, "Socket Error # 11003\r\nNon-recoverable error."},
        {11004, "Socket Error # 11004\r\nValid name, no data record of requested type."},
        {11005, "Socket Error # 11005\r\n"}}; // a code without words keeps its line break
    for (const auto& [code, message] : messages) {
        try {
            TIdStack::RaiseSocketError(code);
        } catch (const EIdSocketError& e) {
            EXPECT_EQ(e.what(), message);
            EXPECT_EQ(e.LastError(), code);
        }
    }
    EXPECT_THROW(TIdStack::RaiseSocketError(10038), EIdNotASocket);
#ifndef _WIN32
    const std::vector<std::pair<int, int>> errnos = {{ECONNREFUSED, 10061}, {ETIMEDOUT, 10060},
                                                     {ENETUNREACH, 10051},  {EHOSTUNREACH, 10065},
                                                     {ECONNRESET, 10054},   {EPIPE, 10054}};
    for (const auto& [error, code] : errnos)
        EXPECT_EQ(TIdStack::TranslateErrno(error), code);
#endif
    for (const char* literal : {"10.0.0.1", "0.0.0.0", "255.255.255.255"})
        EXPECT_TRUE(TIdStack::IsIPv4Literal(literal)) << literal;
    for (const char* name : {"10.0.0", "10.0.0.256", "1.2.3.4.5", "a.b.c.d", "1..2.3", ""})
        EXPECT_FALSE(TIdStack::IsIPv4Literal(name)) << name;
    auto& stack = TIdStack::Instance();
    EXPECT_EQ(stack.LookupAddress("LocalHost", Id_IPv4), "127.0.0.1");
    EXPECT_EQ(stack.LookupAddress("10.0.0.1", Id_IPv4), "10.0.0.1");
    EXPECT_EQ(stack.LookupAddress("0:0::1", Id_IPv6), "::1");
    EXPECT_THROW(stack.LookupAddress("x.INVALID.", Id_IPv4), EIdSocketError);
}

TEST(MemoryStream, GrowthTrustsNoAnnouncementBeyondTheData) {
    TMemoryStream announced;
    announced.Reserve(10, 2000000000);
    EXPECT_LE(announced.Bytes().capacity(), 1u << 20) << "a false length costs at most 1 MiB";
    TMemoryStream exact;
    exact.Reserve(3u << 20, 3u << 20);
    EXPECT_EQ(exact.Bytes().capacity(), 3u << 20) << "a known length is reached without overshoot";
    TMemoryStream small;
    small.Reserve(4, -1);
    EXPECT_LE(small.Bytes().capacity(), 64u << 10) << "a small body of unknown length stays small";
    small.Reserve((64u << 10) + 1, -1);
    EXPECT_EQ(small.Bytes().capacity(), 1u << 20) << "past the first step growth is large";
    TMemoryStream unknown;
    unknown.Reserve(1u << 20, -1);
    unknown.Reserve((1u << 20) + 1, -1);
    EXPECT_EQ(unknown.Bytes().capacity(), 2u << 20) << "growth stays geometric";
    const std::uint8_t bytes[] = {1, 2, 3, 4};
    unknown.Write(bytes, 4);
    unknown.SetPosition(1);
    unknown.Write(bytes, 4);
    EXPECT_EQ(unknown.Bytes(), (std::vector<std::uint8_t>{1, 1, 2, 3, 4}));
}
