// Inputs the fuzz targets keep in their corpora, replayed as ordinary tests: hostile replies
// through the fetch helpers, and odd URLs through the URL splitter.
#include "http/IdExceptions.h"
#include "http/IdURI.h"
#include "net/uNetUtils.h"
#include "tests/support/FaultProbe.h"
#include "tests/support/LoopbackServer.h"

#include <gtest/gtest.h>

namespace {

struct THostileReply {
    const char* name;
    std::string bytes;
    bool result;
    std::u16string text;
};

const std::vector<THostileReply>& HostileReplies() {
    static const std::vector<THostileReply> replies = {
        // Announced two billion bytes, sent three: the stream never reserves the announced size.
        {"huge content-length",
         "HTTP/1.1 200 OK\r\nContent-Type: text/plain; charset=windows-1252\r\n"
         "Content-Length: 2000000000\r\n\r\n\xe9t\xe9",
         true, u"\u00e9t\u00e9"},
        {"chunk size beyond 64 bits",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nffffffffffffffffff\r\nx", true, u""},
        {"negative chunk size", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n-5\r\nx",
         true, u""},
        {"negative content-length", "HTTP/1.1 200 OK\r\nContent-Length: -7\r\n\r\nabc", true,
         u"abc"},
        {"content-length beyond 64 bits",
         "HTTP/1.1 200 OK\r\nContent-Length: 99999999999999999999999\r\n\r\nabc", true, u"abc"},
        {"status code beyond int", "HTTP/1.1 99999999999 OK\r\nContent-Length: 1\r\n\r\na", false,
         u""},
        {"no status line at all", "\r\n\r\n", false, u""},
        {"nul bytes in the head", std::string("HTTP/1.1 200 OK\r\nX-A: \0\0\r\n\r\nb", 29), true,
         u"b"},
        {"interim replies only", "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 100 Continue\r\n\r\n",
         false, u""},
        {"folded header", "HTTP/1.1 200 OK\r\nX-F: a\r\n  b\r\n\tc\r\n\r\nend", true, u"end"},
    };
    return replies;
}

} // namespace

TEST(FaultRegression, HostileRepliesGiveTheHelpersOutcome) {
    const TResourceCounts baseline = CountResources();
    for (const THostileReply& reply : HostileReplies()) {
        SCOPED_TRACE(reply.name);
        TLoopbackServer server({{step::ReadRequest(), step::Send(reply.bytes), step::Close()}});
        std::u16string text = u"old";
        const long rssBefore = ResidentKiB();
        EXPECT_EQ(HttpGetText(server.Url(), text), reply.result);
        EXPECT_EQ(text, reply.text);
        EXPECT_LT(ResidentKiB() - rssBefore, 64 * 1024) << "allocated for an announced size";
    }
    EXPECT_EQ(SettledResources(baseline), baseline);
}

TEST(FaultRegression, OddUrlsSplitWithoutFailing) {
    for (const std::string& url : std::vector<std::string>{
             "", "[", "]", "@", ":", "://", "http://[", "http://[::1", "http://]:[", "http://@:@/",
             "http://h:99999999999999999999/", "?", "=", "#", "http://h/?#", "\\\\\\", "a://b@c@d",
             std::string("http://h\0/x", 11)}) {
        SCOPED_TRACE(url);
        TIdURI uri;
        EXPECT_NO_THROW(uri.ParseUrl(url));
        EXPECT_NO_THROW((void)uri.PathAndQuery());
        for (const bool credentials : {false, true}) {
            try {
                (void)uri.BuildUrl(credentials, true);
            } catch (const EIdURIException&) {
            } catch (const std::exception& e) {
                ADD_FAILURE() << "unexpected " << e.what();
            }
        }
    }
}
