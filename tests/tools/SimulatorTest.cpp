#include "monitor/FailureText.h"
#include "monitor/Presence.h"
#include "monitor/SourceQuery.h"
#include "net/uNetUtils.h"
#include "remote/RemoteSettings.h"
#include "shell/uStrUtils.h"
#include "tools/zentrilo-sim/SimDemo.h"
#include "tools/zentrilo-sim/SimResponder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <cstdlib>
#include <set>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace {

// The simulator built beside this test (build/tools/zentrilo-sim), or ZENTRILO_SIM.
QString SimulatorPath() {
    if (const char* path = std::getenv("ZENTRILO_SIM"))
        return QString::fromLocal8Bit(path);
    const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    return QFileInfo(self).dir().filePath(QStringLiteral("../tools/zentrilo-sim/zentrilo-sim"));
}

// One raw GET on loopback; the whole response, head included.
std::string RawGet(int port, const std::string& target) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    timeval timeout{5, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string response;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        const std::string request = "GET " + target + " HTTP/1.1\r\nHost: x\r\n\r\n";
        send(fd, request.data(), request.size(), MSG_NOSIGNAL);
        char buffer[4096];
        for (ssize_t got; (got = recv(fd, buffer, sizeof buffer, 0)) > 0;)
            response.append(buffer, static_cast<std::size_t>(got));
    }
    close(fd);
    return response;
}

std::string BodyOf(const std::string& response) {
    const auto end = response.find("\r\n\r\n");
    return end == std::string::npos ? std::string() : response.substr(end + 4);
}

// Decodes a four-character reply as the program does.
int Decode(const std::string& reply) {
    std::u16string text(reply.begin(), reply.end());
    SetPresenceFetcher([&](const std::string&, std::u16string& body, const TFetchControl&) {
        body = text;
        return true;
    });
    const int code = QueryStatusService(QStringLiteral("x"), true).Run().code;
    SetPresenceFetcher(nullptr);
    return code;
}

class SimulatorTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!QFileInfo(SimulatorPath()).isExecutable())
            GTEST_SKIP() << "simulator not built at " << SimulatorPath().toStdString();
        ASSERT_TRUE(dir_.isValid());
        WriteState("bob online\nann invisible\neve error\n");
        Start({});
    }
    void Start(const QStringList& extra) {
        sim_.start(SimulatorPath(), QStringList{QStringLiteral("--port"), QStringLiteral("0"),
                                                QStringLiteral("--state"), StatePath()} +
                                        extra);
        ASSERT_TRUE(sim_.waitForReadyRead(5000));
        const QByteArray line = sim_.readLine().trimmed();
        ASSERT_TRUE(line.startsWith("PORT ")) << line.toStdString();
        port_ = line.mid(5).toInt();
        ASSERT_GT(port_, 0);
    }
    void TearDown() override { Stop(); }
    void Stop() {
        if (sim_.state() != QProcess::NotRunning) {
            sim_.kill();
            sim_.waitForFinished(5000);
        }
    }
    QByteArray State() const {
        QFile file(StatePath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QString StatePath() const { return dir_.filePath(QStringLiteral("state")); }
    void WriteState(const QByteArray& text) {
        QFile file(StatePath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    }

    QTemporaryDir dir_;
    QProcess sim_;
    int port_ = 0;
};

TEST_F(SimulatorTest, RawRepliesFollowTheStateFile) {
    const struct {
        const char* target;
        const char* status;
        int code; // -1: the body is compared as text
        const char* body;
    } cases[] = {
        {"/online?u=bob&m=t&t=1", "200", -1, "01"},
        {"/online?u=ann&m=t&t=1", "200", -1, "00"},
        {"/online?u=nobody&m=t&t=1", "200", -1, "00"},
        {"/online?u=eve&m=t&t=1", "500", -1, nullptr},
        {"/getstatus.php?yid=bob&invisiblescan=0&ver=0.5.4", "200", bsOnline, nullptr},
        {"/getstatus.php?yid=ann&invisiblescan=0&ver=0.5.4", "200", bsOffline, nullptr},
        {"/getstatus.php?yid=ann&invisiblescan=1&ver=0.5.4", "200", bsInvisible, nullptr},
        {"/getstatus.php?yid=%20Bob%20&invisiblescan=1&ver=0.5.4", "200", bsOnline, nullptr},
        {"/getstatus.php?yid=eve&invisiblescan=1&ver=0.5.4", "500", -1, nullptr},
        {"/getstatus.php?yid= Bob &invisiblescan=0&ver=0.5.4", "200", bsOnline, nullptr},
        {"/nothing", "404", -1, nullptr},
    };
    for (const auto& c : cases) {
        const std::string response = RawGet(port_, c.target);
        SCOPED_TRACE(c.target);
        EXPECT_EQ(response.substr(0, 12), std::string("HTTP/1.1 ") + c.status);
        if (c.body != nullptr) {
            EXPECT_EQ(BodyOf(response), c.body);
        }
        if (c.code >= 0) {
            EXPECT_EQ(Decode(BodyOf(response)), c.code);
        }
    }
}

TEST_F(SimulatorTest, MasksVaryAndPagesAndSettingsAreServed) {
    std::set<std::string> replies;
    for (int i = 0; i < 8; ++i)
        replies.insert(BodyOf(RawGet(port_, "/getstatus.php?yid=bob&invisiblescan=0&ver=0.5.4")));
    EXPECT_GT(replies.size(), 1u);
    for (const char* page : {"/", "/zentrilo/", "/donate/?for=zentrilo", "/zentrilo/?ver=0.5.4"})
        EXPECT_NE(BodyOf(RawGet(port_, page)).find("<html"), std::string::npos) << page;
    EXPECT_NE(BodyOf(RawGet(port_, "/zentrilo.ini")).find("buddylimit=5"), std::string::npos);
}

TEST_F(SimulatorTest, QueryStatusRoundTripSeesAFlip) {
    std::u16string probe;
    const std::string base = "http://127.0.0.1:" + std::to_string(port_);
    if (!HttpGetText(base + "/online?u=bob", probe))
        GTEST_SKIP() << "HttpGetText cannot fetch yet";
    setenv("ZENTRILO_DETECT_HOST", ("127.0.0.1:" + std::to_string(port_)).c_str(), 1);
    setenv("ZENTRILO_INDICATOR_HOST", ("127.0.0.1:" + std::to_string(port_)).c_str(), 1);
    const bool savedSiteScan = SiteScan;
    for (bool siteScan : {true, false}) {
        SiteScan = siteScan;
        WriteState("bob online\n");
        EXPECT_EQ(QueryStatus(QStringLiteral("bob")).Run().code, bsOnline);
        WriteState("bob offline\n");
        EXPECT_EQ(QueryStatus(QStringLiteral("bob")).Run().code, bsOffline);
        WriteState("bob error\n");
        EXPECT_EQ(QueryStatus(QStringLiteral("bob")).Run().code, bsError);
    }
    WriteState("bob online\n");
    EXPECT_EQ(QueryStatus(QStringLiteral(" Bob ")).Run().code, bsOnline); // sent with its blanks
    WriteState("bob invisible\n");
    EXPECT_EQ(QueryStatusService(QStringLiteral("bob"), true).Run().code, bsInvisible);
    SiteScan = savedSiteScan;
    unsetenv("ZENTRILO_DETECT_HOST");
    unsetenv("ZENTRILO_INDICATOR_HOST");
}

// The presets' reply formats, read by the presets' own rules from user sources on the simulator.
TEST_F(SimulatorTest, PresetFormatsFollowTheStateFile) {
    WriteState("bob online\nann invisible\neve error\nkim in-game\n");
    const QString base = QStringLiteral("http://127.0.0.1:%1").arg(port_);
    const TPresenceSource chess =
        UserSource(QStringLiteral("Chess"), base + QStringLiteral("/api/users/status?ids=%s"),
                   QStringLiteral("json:/0/online"), {});
    const TPresenceSource games =
        UserSource(QStringLiteral("Games"), base + QStringLiteral("/id/%s/?xml=1"),
                   QStringLiteral("xml:onlineState=online|in-game"), {});
    const struct {
        const char* id;
        TBuddyStatus status;
    } cases[] = {
        {"bob", bsOnline},     {" Bob ", bsOnline}, {"kim", bsOnline},         {"ann", bsOffline},
        {"nobody", bsOffline}, {"eve", bsError},    {"a\"b\\c<&>", bsOffline},
    };
    for (const auto& c : cases) {
        for (const TPresenceSource* source : {&chess, &games}) {
            const TSourceOutcome outcome = TSourceQuery::Of(*source, QString::fromUtf8(c.id)).Run();
            EXPECT_EQ(outcome.Status, c.status) << c.id << " on " << source->Name.toStdString()
                                                << ": " << FailureText(outcome).toStdString();
        }
    }
    // The chess service answers for several IDs at once; "online" is there only while it holds.
    EXPECT_EQ(BodyOf(RawGet(port_, "/api/users/status?ids=Bob,ann")),
              R"([{"id":"bob","name":"Bob","online":true},{"id":"ann","name":"ann"}])");
    for (const char* page : {"/@/bob", "/id/bob/", "/id/bob"})
        EXPECT_NE(BodyOf(RawGet(port_, page)).find("<html"), std::string::npos) << page;
}

TEST(SimulatorDemo, FlipsOneIdAtATimeWithinItsPeriod) {
    TSimDemo demo(7, 20000, 40000);
    std::set<int> delays;
    for (int i = 0; i < 50; ++i) {
        const int delay = demo.NextDelayMs();
        EXPECT_GE(delay, 20000);
        EXPECT_LE(delay, 40000);
        delays.insert(delay);
    }
    EXPECT_GT(delays.size(), 10u);

    const std::string state = "# demo\nalice online\n\nbob offline\ncarol invisible\nkim in-game\n";
    const std::map<std::string, std::string> flips = {
        {"alice", "offline"}, {"bob", "online"}, {"carol", "online"}, {"kim", "offline"}};
    std::set<std::string> seen;
    for (int i = 0; i < 40; ++i) {
        std::string flipped;
        const std::string changed = demo.Flip(state, flipped);
        const auto [id, status] = *ParseStates(flipped).begin();
        EXPECT_EQ(flips.at(id), status) << flipped;
        auto expected = ParseStates(state);
        expected[id] = status;
        EXPECT_EQ(ParseStates(changed), expected);
        EXPECT_EQ(changed.rfind("# demo\n", 0), 0u) << "other lines stay";
        seen.insert(id);
    }
    EXPECT_EQ(seen.size(), flips.size()) << "every ID gets its turn";

    std::string flipped = "old";
    EXPECT_EQ(demo.Flip("# nothing\n", flipped), "# nothing\n");
    EXPECT_EQ(flipped, "");
    EXPECT_EQ(TSimDemo(3, 1, 9).NextDelayMs(), TSimDemo(3, 1, 9).NextDelayMs());
}

// The running simulator writes its flips to the state file and answers by it.
TEST_F(SimulatorTest, TheDemoFlipsTheStateFileItself) {
    Stop();
    WriteState("bob online\n");
    Start({QStringLiteral("--demo"), QStringLiteral("--demo-period"), QStringLiteral("20-40"),
           QStringLiteral("--seed"), QStringLiteral("1")});
    for (const char* expected : {"FLIP bob offline", "FLIP bob online", "FLIP bob offline"}) {
        while (!sim_.canReadLine())
            ASSERT_TRUE(sim_.waitForReadyRead(5000));
        EXPECT_EQ(sim_.readLine().trimmed(), QByteArray(expected));
    }
    // Flips go on meanwhile: the file and the answer agree whenever they are read together.
    bool compared = false;
    for (int tries = 0; tries < 50 && !compared; ++tries) {
        const QByteArray before = State();
        const std::string reply = BodyOf(RawGet(port_, "/online?u=bob"));
        if (before != State())
            continue;
        EXPECT_EQ(reply, before == "bob online\n" ? "01" : "00") << before.toStdString();
        compared = true;
    }
    EXPECT_TRUE(compared);
}

TEST(SimulatorDemo, NeedsAStateFile) {
    QProcess sim;
    sim.start(SimulatorPath(), {QStringLiteral("--demo")});
    ASSERT_TRUE(sim.waitForFinished(5000));
    EXPECT_EQ(sim.exitCode(), 2);
    EXPECT_TRUE(sim.readAllStandardError().contains("--demo needs --state FILE"));
}

} // namespace
