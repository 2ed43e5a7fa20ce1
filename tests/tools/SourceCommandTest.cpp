// zentrilo-check --source and --sources end to end: the built tool, started as its own process,
// with a settings file of its own and loopback stand-ins for the services.
#include "tests/support/LoopbackServer.h"
#include "tests/tools/CheckToolProcess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

TServerScript Answer(const std::string& status, const std::string& body) {
    return {step::ReadRequest(), step::Send(HttpReply(status, body)), step::Close()};
}

class SourceCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QFileInfo::exists(CheckToolPath())) << CheckToolPath().toStdString();
        ASSERT_TRUE(config_.isValid());
        ASSERT_TRUE(QDir().mkpath(config_.filePath(u"ZentriloSoft"_s)));
    }

    // A settings file with the user's sources "Chess" (Lichess's format) and "Games" (Steam's)
    // on `host`, and one whose rule does not parse.
    void WriteSources(const std::string& host) {
        QFile file(config_.filePath(u"ZentriloSoft/Zentrilo.conf"_s));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        const QByteArray base = QByteArray("http://") + host.c_str();
        file.write("[Items]\nUser0=ana\nSource0=chess\n\n[Sources]\nsize=3\n"
                   "1\\Name=Chess\n1\\Url=" +
                   base +
                   "/api/users/status?ids=%s\n1\\Rule=json:/0/online\n"
                   "1\\Open=" +
                   base +
                   "/@/%s\n"
                   "2\\Name=Games\n2\\Url=" +
                   base + "/id/%s/?xml=1\n2\\Rule=\"xml:onlineState=online|in-game\"\n" +
                   "3\\Name=Broken\n3\\Url=" + base + "/%s\n3\\Rule=yaml:x\n");
    }

    TToolRun Run(const QStringList& arguments, const QString& detectHost = {}) const {
        return RunCheckTool(arguments, {{u"XDG_CONFIG_HOME"_s, config_.path()},
                                        {u"ZENTRILO_DETECT_HOST"_s, detectHost}});
    }

    QTemporaryDir config_;
};

TEST_F(SourceCommandTest, SourcesListsEveryOneWithItsTemplateAndRule) {
    WriteSources("127.0.0.1:9");
    const TToolRun run = Run({u"--sources"_s});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out,
              "Zentrilo (the program's own service, not configured)\n"
              "Lichess (preset)\n"
              "  query: https://lichess.org/api/users/status?ids=%s\n"
              "  rule:  json:/0/online\n"
              "  opens: https://lichess.org/@/%s\n"
              "Steam (preset)\n"
              "  query: https://steamcommunity.com/id/%s/?xml=1\n"
              "  rule:  xml:onlineState=online|in-game\n"
              "  opens: https://steamcommunity.com/id/%s\n"
              "Chess\n"
              "  query: http://127.0.0.1:9/api/users/status?ids=%s\n"
              "  rule:  json:/0/online\n"
              "  opens: http://127.0.0.1:9/@/%s\n"
              "Games\n"
              "  query: http://127.0.0.1:9/id/%s/?xml=1\n"
              "  rule:  xml:onlineState=online|in-game\n"
              "Broken\n"
              "  query: http://127.0.0.1:9/%s\n"
              "  rule:  yaml:x\n"
              "  error: The rule \"yaml:x\" cannot be used: \"yaml:\" is not a kind of rule. A "
              "rule begins with json:, xml: or text:.\n");
}

TEST_F(SourceCommandTest, EachIdGetsItsLineAndEachErrorItsReason) {
    const struct {
        const char* name;
        std::vector<TServerScript> replies;
        QStringList arguments;
        int status;
        const char* out;
        const char* err;
        const char* firstRequest;
    } cases[] = {
        {"lichess format, any letter case",
         {Answer("200 OK", R"([{"id":"ana","online":true}])"),
          Answer("200 OK", R"([{"id":"b c"}])")},
         {u"--source"_s, u"cHESS"_s, u"ana"_s, u" b c"_s},
         0,
         "ana is ONLINE\nb c is OFFLINE\n",
         "",
         "GET /api/users/status?ids=ana HTTP/1.1\r\n"},
        {"steam format, one too many requests",
         {Answer("200 OK", "<profile><onlineState>In-Game</onlineState></profile>"),
          Answer("429 Too Many Requests", "")},
         {u"--source"_s, u"games"_s, u"\u0103na"_s, u"bob"_s},
         1,
         "\xc4\x83na is ONLINE\nbob is ERROR\n",
         "zentrilo-check: bob: HTTP/1.1 429 Too Many Requests\n",
         "GET /id/%C4%83na/?xml=1 HTTP/1.1\r\n"},
        {"a reply the rule cannot read",
         {Answer("200 OK", "<html>Sorry</html>")},
         {u"--source"_s, u"Chess"_s, u"ana"_s},
         1,
         "ana is ERROR\n",
         "zentrilo-check: ana: The reply is not the JSON the rule expects (illegal number at byte "
         "0)\n",
         "GET /api/users/status?ids=ana HTTP/1.1\r\n"},
        {"a body short of its Content-Length",
         {{step::ReadRequest(),
           step::Send("HTTP/1.1 200 OK\r\nContent-Length: 99\r\n\r\n[{\"online\":false}]"),
           step::Close()}},
         {u"--source"_s, u"Chess"_s, u"ana"_s},
         1,
         "ana is ERROR\n",
         "zentrilo-check: ana: The connection closed before the whole body came.\n",
         "GET /api/users/status?ids=ana HTTP/1.1\r\n"},
        {"the own service",
         {Answer("200 OK", "A1A4")},
         {u"--source"_s, u"ZENTRILO"_s, u"bob"_s},
         0,
         "bob is ONLINE\n",
         "",
         "GET /getstatus.php?yid=bob&invisiblescan=0&ver=0.5.4 HTTP/1.1\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TLoopbackServer server(c.replies);
        WriteSources(server.HostPort());
        const TToolRun run = Run(c.arguments, QString::fromStdString(server.HostPort()));
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.out, c.out);
        EXPECT_EQ(run.err, c.err);
        ASSERT_GE(server.ConnectionCount(), 1);
        EXPECT_EQ(server.Requests()[0].rfind(c.firstRequest, 0), 0u) << server.Requests()[0];
    }
}

TEST_F(SourceCommandTest, SourcesThatCannotBeAskedSaySo) {
    WriteSources("127.0.0.1:9");
    const struct {
        QStringList arguments;
        int status;
        const char* out;
        const char* err;
    } cases[] = {
        {{u"--source"_s, u"Nobody"_s, u"ana"_s},
         2,
         "",
         "zentrilo-check: there is no source named 'Nobody' (--sources lists them)\n"},
        {{u"--source"_s, u"broken"_s, u"ana"_s},
         1,
         "ana is ERROR\n",
         "zentrilo-check: ana: The rule yaml:x cannot be used; correct the source.\n"},
        {{u"--source"_s, u"Zentrilo"_s, u"ana"_s},
         1,
         "ana is ERROR\n",
         "zentrilo-check: ana: The program's own service is not configured in this "
         "installation.\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(u' ').toStdString());
        const TToolRun run = Run(c.arguments);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.out, c.out);
        EXPECT_EQ(run.err, c.err);
    }
}

} // namespace
