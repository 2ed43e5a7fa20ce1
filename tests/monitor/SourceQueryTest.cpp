#include "monitor/SourceQuery.h"
#include "monitor/FailureText.h"

#include "remote/RemoteSettings.h"
#include "shell/Language.h"
#include "tests/monitor/MonitorFakes.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/TlsServer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <sstream>

using namespace Qt::StringLiterals;

namespace {

TPresenceSource Lichess(const std::string& base = "https://lichess.org") {
    return UserSource(u"Chess"_s, QString::fromStdString(base) + u"/api/users/status?ids=%s"_s,
                      u"json:/0/online"_s, {});
}

TPresenceSource Steam(const std::string& base) {
    return UserSource(u"Games"_s, QString::fromStdString(base) + u"/id/%s/?xml=1"_s,
                      u"xml:onlineState=online|in-game"_s, {});
}

// Every way a reply or its absence maps to a status, and the reason it gives.
TEST(SourceQuery, OutcomesFollowTheReplyAndSayWhy) {
    const struct {
        const char* name;
        bool ok;
        int status;
        std::string failure;
        QByteArray reply;
        TBuddyStatus expected;
        bool tooMany;
        const char* reason;
    } cases[] = {
        {"online", true, 200, "", R"([{"id":"a","online":true}])", bsOnline, false, ""},
        {"offline", true, 200, "", R"([{"id":"a"}])", bsOffline, false, ""},
        {"not found", false, 404, "HTTP/1.1 404 Not Found", "", bsError, false,
         "The server answered 404 Not Found"},
        {"too many", false, 429, "HTTP/1.1 429 Too Many Requests", "", bsError, true,
         "The server answered 429 Too Many Requests"},
        {"server error", false, 503, "HTTP/1.1 503 Service Unavailable", "", bsError, false,
         "The server answered 503 Service Unavailable"},
        {"refused", false, 0, "Socket Error # 10061 Connection refused.", "", bsError, false,
         "The connection was refused (Socket Error # 10061 Connection refused.)"},
        {"html instead", true, 200, "", "<html>busy</html>", bsError, false,
         "The reply is not the JSON the rule expects (illegal number at byte 0)"},
        {"a string", true, 200, "", R"([{"online":"yes"}])", bsError, false,
         "The rule json:/0/online finds a value that is not true, false or null."},
    };
    TFakeSourceFetcher fetcher;
    const bool saved = UseEnglish;
    UseEnglish = true;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fetcher.ok = c.ok;
        fetcher.status = c.status;
        fetcher.failure = c.failure;
        fetcher.reply = c.reply;
        const TSourceOutcome outcome = TSourceQuery::Of(Lichess(), u"a"_s).Run();
        EXPECT_EQ(outcome.Status, c.expected);
        EXPECT_EQ(outcome.TooManyRequests(), c.tooMany);
        EXPECT_EQ(outcome.HttpStatus, c.status);
        EXPECT_EQ(FailureText(outcome), QString::fromUtf8(c.reason));
        EXPECT_EQ(outcome.ReplyStart(), QString::fromUtf8(c.reply));
    }
    UseEnglish = saved;
}

// A query is made where it is asked for: the address and the fetcher are fixed then, and the
// fetch runs later, under the caller's cancel token.
TEST(SourceQuery, MadeWhereAskedRunLaterUnderTheCallersToken) {
    TFakeSourceFetcher fetcher;
    fetcher.ok = false;
    fetcher.status = 429;
    fetcher.failure = "HTTP/1.1 429 Too Many Requests";
    TPresenceSource source = Lichess();
    const TSourceQuery query = TSourceQuery::Of(source, u" Ana & B\u0103#1 "_s);
    source.Url = u"https://other.example/%s"_s;
    TFakeSourceFetcher later; // installed after the query was made: not asked
    const TIdDeadline token;
    const TSourceOutcome outcome = query.Run(&token);
    EXPECT_TRUE(later.urls.empty());
    ASSERT_EQ(fetcher.urls.size(), 1u);
    EXPECT_EQ(fetcher.urls[0],
              "https://lichess.org/api/users/status?ids=%20Ana%20%26%20B%C4%83%231%20");
    EXPECT_EQ(fetcher.cancel, &token);
    EXPECT_EQ(outcome.Detail.toStdString(), fetcher.failure);
    EXPECT_EQ(outcome.HttpStatus, 429);
    EXPECT_TRUE(outcome.TooManyRequests());
}

TEST(SourceQuery, ReasonsAreOneLineInEitherLanguage) {
    TFakeSourceFetcher fetcher;
    const QString hostile = u"a\nb\r\u202Ec\u2028d\te"_s;
    TSourceCatalogue catalogue;
    const struct {
        TSourceOutcome outcome;
        const char* english;
        const char* romanian;
    } cases[] = {
        {TSourceQuery::Of(catalogue, hostile, u"x"_s).Run(),
         "There is no source named \"a b c d e\".", "Nu există nicio sursă numită \"a b c d e\"."},
        {TSourceQuery::Of(catalogue, QString(300, u'n') + u"\n!"_s, u"x"_s).Run(),
         "There is no source named \"nnn…\".", "Nu există nicio sursă numită \"nnn…\"."},
        {TSourceQuery::Of(UserSource(u"s"_s, u"https://x.example/%s"_s, u"xml:a b=c"_s, {}), u"x"_s)
             .Run(),
         "The rule xml:a b=c cannot be used; correct the source.",
         "Regula xml:a b=c nu poate fi folosită; corectează sursa."},
    };
    EXPECT_TRUE(fetcher.urls.empty()) << "nothing is fetched for a source that cannot be asked";
    const bool saved = UseEnglish;
    for (const auto& c : cases) {
        EXPECT_EQ(c.outcome.Status, bsError);
        for (const bool english : {true, false}) {
            UseEnglish = english;
            QString expected = QString::fromUtf8(english ? c.english : c.romanian);
            expected.replace(u"nnn"_s, QString(300, u'n'));
            EXPECT_EQ(FailureText(c.outcome), expected);
        }
    }
    UseEnglish = saved;
    // The reasons of a rule's reply are worded in Romanian too.
    fetcher.reply = "<p/>";
    UseEnglish = false;
    EXPECT_EQ(FailureText(TSourceQuery::Of(Steam("http://x"), u"a"_s).Run()),
              QString::fromUtf8("Răspunsul nu are elementul onlineState."));
    UseEnglish = saved;
}

TEST(SourceQuery, TheOwnServiceKeepsItsOwnQueries) {
    qunsetenv("ZENTRILO_DETECT_HOST");
    const bool savedSiteScan = SiteScan;
    SiteScan = true;
    TSourceCatalogue catalogue;
    TFakeFetcher presence;
    TFakeSourceFetcher sources;
    if (OwnServiceConfigured())
        GTEST_SKIP() << "this build configures the detection service";
    // Without a host its requests cannot succeed, and that is the reason given.
    presence.ok = false;
    const TSourceQuery unconfigured = TSourceQuery::Of(catalogue, u"zentrilo"_s, u"bob"_s);
    qputenv("ZENTRILO_DETECT_HOST", "127.0.0.1:9");
    EXPECT_EQ(unconfigured.Run().Failure, TPresenceFailure::NotConfigured);

    presence.ok = true;
    presence.reply = ServiceReply(bsOnline);
    for (const QString& name : {QString(), u"Zentrilo"_s}) {
        const TSourceOutcome outcome = TSourceQuery::Of(catalogue, name, u"bob"_s).Run();
        EXPECT_EQ(outcome.Status, bsOnline);
        EXPECT_EQ(outcome.Failure, TPresenceFailure::None);
    }
    presence.ok = false;
    const TSourceOutcome failed = TSourceQuery::Of(catalogue, {}, u"bob"_s).Run();
    EXPECT_EQ(failed.Failure, TPresenceFailure::Fetch);
    EXPECT_EQ(failed.Host, u"127.0.0.1"_s); // named where a host is at fault
    ASSERT_EQ(failed.FailedRequests.size(), 1u);
    EXPECT_EQ(failed.FailedRequests[0].url,
              "http://127.0.0.1:9/getstatus.php?yid=bob&invisiblescan=0&ver=0.5.4");
    // The one-off check's invisible scan is the own service's alone.
    presence.urls.clear();
    TSourceQuery::OneOff(catalogue, {}, u"bob"_s).Run();
    ASSERT_EQ(presence.urls.size(), 2u);
    EXPECT_NE(presence.urls[1].find("invisiblescan=1"), std::string::npos);
    TSourceQuery::OneOff(catalogue, u"steam"_s, u"bob"_s).Run();
    EXPECT_EQ(presence.urls.size(), 2u);
    EXPECT_EQ(sources.urls, std::vector<std::string>{"https://steamcommunity.com/id/bob/?xml=1"});
    qunsetenv("ZENTRILO_DETECT_HOST");
    SiteScan = savedSiteScan;
}

// The presets' reply formats over the real fetch, from a loopback stand-in.
TEST(SourceQuery, PresetFormatsOverLoopback) {
    const auto answer = [](const std::string& status, const std::string& body,
                           const std::string& type) {
        return TServerScript{step::ReadRequest(),
                             step::Send(HttpReply(status, body, "Content-Type: " + type + "\r\n")),
                             step::Close()};
    };
    const struct {
        const char* name;
        TServerScript script;
        bool steam;
        TBuddyStatus expected;
        bool tooMany;
    } cases[] = {
        {"lichess online",
         answer("200 OK", R"([{"name":"Ana","id":"ana","online":true}])", "application/json"),
         false, bsOnline, false},
        {"lichess offline", answer("200 OK", R"([{"name":"Ana","id":"ana"}])", "application/json"),
         false, bsOffline, false},
        {"lichess busy", answer("429 Too Many Requests", "", "text/plain"), false, bsError, true},
        {"steam in game",
         answer("200 OK",
                "<?xml version=\"1.0\" encoding=\"UTF-8\"?><profile><onlineState>in-game"
                "</onlineState></profile>",
                "text/xml; charset=utf-8"),
         true, bsOnline, false},
        {"steam gone", answer("404 Not Found", "", "text/html"), true, bsError, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TLoopbackServer server({c.script});
        const std::string base = "http://" + server.HostPort();
        const TSourceOutcome outcome =
            TSourceQuery::Of(c.steam ? Steam(base) : Lichess(base), u"\u0103na b"_s).Run();
        EXPECT_EQ(outcome.Status, c.expected);
        EXPECT_EQ(outcome.TooManyRequests(), c.tooMany);
        ASSERT_EQ(server.ConnectionCount(), 1);
        const std::string target =
            c.steam ? "GET /id/%C4%83na%20b/?xml=1 " : "GET /api/users/status?ids=%C4%83na%20b ";
        EXPECT_EQ(server.Requests()[0].rfind(target, 0), 0u) << server.Requests()[0];
    }
}

// A reply that breaks after its 200 status line is no presence, whoever reads it: each break
// against each rule kind and the program's own service, over the real fetch. Each body would
// read as a status if it were the reply.
TEST(SourceQuery, ABodyThatBreaksAfterA200IsAnError) {
    const auto head = [](std::size_t length) {
        return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(length + 40) + "\r\n\r\n";
    };
    const struct {
        const char* name;
        bool tls;
        std::function<TServerScript(const std::string& body)> script;
        const char* reason; // the start of the reason given
    } breaks[] = {
        {"chunked body cut short", false,
         [](const std::string& body) {
             std::ostringstream chunk;
             chunk << std::hex << body.size() << "\r\n" << body << "\r\n";
             return TServerScript{
                 step::ReadRequest(),
                 step::Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" + chunk.str()),
                 step::Close()};
         },
         "Connection Closed Gracefully."},
        {"reset", false,
         [&](const std::string& body) {
             return TServerScript{step::ReadRequest(), step::Send(head(body.size()) + body),
                                  step::Delay(50), step::Reset()};
         },
         "Socket Error # 10054"},
        {"short of its Content-Length", false,
         [&](const std::string& body) {
             return TServerScript{step::ReadRequest(), step::Send(head(body.size()) + body),
                                  step::Close()};
         },
         "The connection closed before the whole body came."},
        {"forged TLS record", true,
         [&](const std::string& body) {
             return TServerScript{step::ReadRequest(), step::Send(head(body.size()) + body),
                                  step::SendRaw("\x17\x03\x03\x00\x20" + std::string(32, 'x')),
                                  step::Close()};
         },
         "TLS: "},
    };
    const struct {
        const char* name;
        const char* rule; // empty: the own service, asked by SiteScan
        bool siteScan;
        std::string body;
    } readers[] = {
        {"json", "json:/0/online", false, R"([{"online":false}])"},
        {"xml", "xml:onlineState=online", false, "<p><onlineState>offline</onlineState></p>"},
        {"text", "text:\"online\":true", false, R"({"online":false})"},
        {"own indicator", "", false, "00"},
        {"own detection", "", true, "0004"},
    };
    const bool savedSiteScan = SiteScan;
    const bool savedEnglish = UseEnglish;
    UseEnglish = true;
    for (const auto& b : breaks) {
        for (const auto& r : readers) {
            const bool own = std::string(r.rule).empty();
            if (b.tls && own) // the own service is plain HTTP
                continue;
            SCOPED_TRACE(std::string(b.name) + " / " + r.name);
            std::unique_ptr<TLoopbackServer> plain;
            std::unique_ptr<TTlsServer> secure;
            std::string hostPort;
            if (b.tls) {
                secure = std::make_unique<TTlsServer>(std::vector<TServerScript>{b.script(r.body)});
                hostPort = secure->HostPort();
            } else {
                plain =
                    std::make_unique<TLoopbackServer>(std::vector<TServerScript>{b.script(r.body)});
                hostPort = plain->HostPort();
            }
            qputenv("ZENTRILO_DETECT_HOST", QByteArray::fromStdString(hostPort));
            qputenv("ZENTRILO_INDICATOR_HOST", QByteArray::fromStdString(hostPort));
            SiteScan = r.siteScan;
            const TSourceQuery query =
                own ? TSourceQuery::Of(TSourceCatalogue(), {}, u"ana"_s)
                    : TSourceQuery::Of(
                          UserSource(u"Mine"_s,
                                     QString::fromStdString((b.tls ? "https://" : "http://") +
                                                            hostPort + "/q?id=%s"),
                                     QString::fromUtf8(r.rule), {}),
                          u"ana"_s);
            const TSourceOutcome outcome = query.Run();
            EXPECT_EQ(outcome.Status, bsError);
            EXPECT_EQ(outcome.Failure, TPresenceFailure::Fetch);
            EXPECT_TRUE(FailureText(outcome).contains(QString::fromUtf8(b.reason)))
                << FailureText(outcome).toStdString();
        }
    }
    qunsetenv("ZENTRILO_DETECT_HOST");
    qunsetenv("ZENTRILO_INDICATOR_HOST");
    SiteScan = savedSiteScan;
    UseEnglish = savedEnglish;
}

} // namespace
