// zentrilo-check end to end: the built tool, started as its own process, against a loopback
// server.
#include "tests/support/ChildProcess.h"
#include "tests/support/LoopbackServer.h"

#ifdef ZENTRILO_TLS
#include "tests/support/TlsCases.h"
#endif

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

namespace {

struct TToolRun {
    int status = -1;
    std::string output; // standard output
    std::string errors; // standard error
};

#ifdef _WIN32
// The C runtime's forms of the POSIX calls; started tools inherit what they set.
int setenv(const char* name, const char* value, int) {
    return _putenv_s(name, value);
}
int unsetenv(const char* name) {
    return _putenv_s(name, "");
}
#endif

// The build puts the tool at tools/zentrilo-check/ beside tests/.
std::filesystem::path ToolPath() {
#ifdef _WIN32
    const char* name = "zentrilo-check.exe";
#else
    const char* name = "zentrilo-check";
#endif
    return OwnExecutable().parent_path().parent_path() / "tools" / "zentrilo-check" / name;
}

// `environment`: variable assignments for the tool, as the shell takes them before a command.
TToolRun RunTool(const std::string& arguments, const std::string& environment = {}) {
    // Test processes run side by side: each run has a file of its own for standard error.
    const std::filesystem::path errors =
        std::filesystem::temp_directory_path() /
        ("zentrilo-check-" + std::to_string(std::random_device{}()) + ".err");
    const TCommandRun run = RunCommand(environment + "\"" + ToolPath().string() + "\" " +
                                       arguments + " 2>\"" + errors.string() + "\"");
    std::stringstream text;
    text << std::ifstream(errors).rdbuf(); // text mode: the line ends of Windows become "\n"
    std::filesystem::remove(errors);
    return {run.status, run.output, text.str()};
}

TServerScript Answer(const std::string& reply) {
    return {step::ReadRequest(), step::Send(reply), step::Close()};
}

std::string FirstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

} // namespace

TEST(CheckTool, FetchesPrintTheBodyAndExitWithTheOutcome) {
    ASSERT_TRUE(std::filesystem::exists(ToolPath())) << ToolPath();
    // Binary bytes, LFs and a Ctrl-Z must reach the caller unchanged.
    const std::string raw("a\nb\r\n\x1a\0z", 8);
    struct Case {
        const char* name;
        const char* command;
        std::string reply;
        int status;
        std::string output;
        std::string errors;
    };
    const Case cases[] = {
        {"text in UTF-8", "--fetch",
         HttpReply("200 OK", "gr\xc3\xbc\xc3\x9f\ndich",
                   "Content-Type: text/plain; charset=utf-8\r\n"),
         0, "gr\xc3\xbc\xc3\x9f\ndich", ""},
        {"raw stream", "--fetch-stream", HttpReply("200 OK", raw), 0, raw, ""},
        {"not found", "--fetch-stream", HttpReply("404 Not Found", "gone"), 1, "",
         "zentrilo-check: HTTP/1.1 404 Not Found\n"},
        {"no content", "--fetch", "HTTP/1.1 204 No Content\r\n\r\n", 1, "",
         "zentrilo-check: HTTP/1.1 204 No Content\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TLoopbackServer server({Answer(c.reply)});
        const TToolRun run =
            RunTool(std::string(c.command) + " \"" + server.Url("/check?x=1") + "\"");
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.output, c.output);
        EXPECT_EQ(run.errors, c.errors);
        ASSERT_EQ(server.ConnectionCount(), 1);
        EXPECT_EQ(server.Requests()[0].rfind("GET /check?x=1 HTTP/1.1\r\n", 0), 0u)
            << server.Requests()[0];
    }
}

// Stdout stays empty; one line on stderr names the client's error.
TEST(CheckTool, AFailedFetchSaysWhyOnOneLine) {
    TRefusingPort refusing;
    const std::string refused = "http://127.0.0.1:" + std::to_string(refusing.Port()) + "/x";
    TLoopbackServer redirecting(
        {Answer(HttpReply("302 Found", "", "Location: " + refused + "\r\n"))});
    const struct {
        const char* name;
        std::string url;
        const char* why;
    } cases[] = {
        {"refused", refused, "Socket Error # 10061 Connection refused."},
        {"redirect to a refused port", redirecting.Url(),
         "Socket Error # 10061 Connection refused."},
        {"unknown host", "http://no-such-host.invalid/", "Socket Error # 11001 Host not found."},
        {"no scheme", "no-scheme", "Unknown Protocol"},
#ifndef ZENTRILO_TLS
        {"https without TLS", "https://127.0.0.1/", "IOHandler value is not valid"},
#endif
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const char* mode : {"--fetch", "--fetch-stream"}) {
            const TToolRun run = RunTool(std::string(mode) + " \"" + c.url + "\"");
            EXPECT_EQ(run.status, 1);
            EXPECT_EQ(run.output, "");
            EXPECT_EQ(run.errors, "zentrilo-check: " + std::string(c.why) + "\n");
        }
    }
}

#ifdef ZENTRILO_TLS
// https through the tool: the body and 0, or 1 and what failed. The trust store is the test CA,
// named by SSL_CERT_FILE (inherited from the test) or found in a hashed SSL_CERT_DIR.
TEST(CheckTool, HttpsIsVerifiedAgainstTheTrustStore) {
    const std::filesystem::path hashed =
        std::filesystem::temp_directory_path() /
        ("zentrilo-check-certs-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directory(hashed);
    std::ofstream(hashed / TrustedTestCA().HashedFileName()) << TrustedTestCA().CertificatePem();
    const std::string onlyDir =
        "SSL_CERT_FILE=/nonexistent SSL_CERT_DIR=\"" + hashed.string() + "\" ";
    struct TToolCase {
        const char* name;
        TTlsServerOptions options;
        std::string host;
        std::string environment;
        std::string failure;
    };
    std::vector<TToolCase> cases = {
        {"CA in a hashed directory", {}, "localhost", onlyDir, ""},
        {"no trust store knows the CA",
         {},
         "localhost",
         "SSL_CERT_FILE=/nonexistent SSL_CERT_DIR=/nonexistent ",
         "TLS: certificate verify failed (unable to get local issuer certificate)"},
    };
    for (const TTlsCase& c : TlsVerificationCases())
        cases.push_back({c.name, c.options, c.host, "", c.failure});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TTlsServer server({Answer(HttpReply("200 OK", "secure"))}, c.options);
        const TToolRun run =
            RunTool("--fetch https://" + c.host + ":" + std::to_string(server.Port()) + "/x",
                    c.environment);
        EXPECT_EQ(run.status, c.failure.empty() ? 0 : 1);
        EXPECT_EQ(run.output, c.failure.empty() ? "secure" : "");
        EXPECT_EQ(run.errors, c.failure.empty() ? "" : "zentrilo-check: " + c.failure + "\n");
    }
    TLoopbackServer plain({{step::Send(HttpReply("400 Bad Request", "")), step::Close()}});
    const TToolRun run = RunTool("--fetch https://localhost:" + std::to_string(plain.Port()));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.errors, "zentrilo-check: TLS: the server does not speak TLS on this port\n");
    std::filesystem::remove_all(hashed);
}
#endif

TEST(CheckTool, HelpListsEveryModeAndExitsZero) {
    const TToolRun run = RunTool("--help");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.errors, "");
    std::vector<std::string> modes = {"--fetch URL", "--fetch-stream URL", "--help"};
#ifdef ZENTRILO_CHECK_HAS_PRESENCE
    for (const char* mode : {"--indicator ID...", "--service ID...", "--invisible ID...",
                             "zentrilo-check ID...", "--source NAME ID...", "--sources"})
        modes.push_back(mode);
#endif
    for (const std::string& mode : modes)
        EXPECT_NE(run.output.find(mode), std::string::npos) << mode << " missing in\n"
                                                            << run.output;
}

// A usage error names what is wrong on its first line, then shows the usage.
TEST(CheckTool, UsageErrorsSayWhatIsWrong) {
    std::vector<std::pair<std::string, std::string>> cases = {
        {"", "no mode and no ID given"},
        {"-h", "unknown option '-h'"},
        {"--bogus x", "unknown option '--bogus'"},
        {"--fetch", "--fetch needs a URL"},
        {"--fetch-stream", "--fetch-stream needs a URL"},
        {"--fetch a b", "unexpected argument 'b' after the URL"},
        {"--fetch \"\"", "the URL is empty"},
        {"--help me", "unexpected argument 'me' after --help"},
#ifdef ZENTRILO_CHECK_HAS_PRESENCE
        {"--indicator", "--indicator needs at least one ID"},
        {"--invisible", "--invisible needs at least one ID"},
        {"\"\"", "an ID must not be empty"},
        {"--service alice \"\"", "an ID must not be empty"},
        {"alice -x", "unknown option '-x'"},
        {"--source", "--source needs a source name and at least one ID"},
        {"--source Steam", "--source needs a source name and at least one ID"},
        {"--source \"\" alice", "the source name is empty"},
        {"--source Steam alice -v", "unknown option '-v'"},
        {"--sources Steam", "unexpected argument 'Steam' after --sources"},
#else
        {"alice", "presence queries are not part of this build"},
#endif
    };
    for (const auto& [arguments, problem] : cases) {
        SCOPED_TRACE(arguments);
        const TToolRun run = RunTool(arguments);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.output, "");
        EXPECT_EQ(FirstLine(run.errors), "zentrilo-check: " + problem);
        EXPECT_NE(run.errors.find("\nUsage:\n"), std::string::npos) << run.errors;
    }
}

#ifdef ZENTRILO_CHECK_HAS_PRESENCE
// Each failed request of a presence query says on stderr which URL failed and why; stdout keeps
// its one result line, and a later request that answers still decides the result.
TEST(CheckTool, FailedPresenceRequestsSayWhichAndWhy) {
    TRefusingPort refusing;
    TLoopbackServer server(
        {Answer(HttpReply("500 Internal Server Error", "")), Answer(HttpReply("200 OK", "00050")),
         Answer(HttpReply("500 Internal Server Error", "")), Answer(HttpReply("200 OK", "0005"))});
    const std::string host = server.HostPort();
    const std::string detect = "http://" + host + "/getstatus.php?yid=bob&invisiblescan=";
    const std::string refused = "http://127.0.0.1:" + std::to_string(refusing.Port()) +
                                "/getstatus.php?yid=ann&invisiblescan=0&ver=0.5.4";
    const struct {
        const char* arguments;
        std::string detectHost;
        int status;
        const char* output;
        std::string errors;
    } cases[] = {
        {"--service bob", host, 1, "bob is ERROR\n",
         "zentrilo-check: " + detect + "0&ver=0.5.4: HTTP/1.1 500 Internal Server Error\n"},
        {"--invisible bob", host, 1, "bob is ERROR\n",
         "zentrilo-check: " + detect +
             "1&ver=0.5.4: the reply could not be read: 5 characters instead of 4\n"},
        // The one-off check: the first request fails, the second finds the ID online.
        {"bob", host, 0, "bob is ONLINE\n",
         "zentrilo-check: " + detect + "0&ver=0.5.4: HTTP/1.1 500 Internal Server Error\n"},
        {"--service ann", "127.0.0.1:" + std::to_string(refusing.Port()), 1, "ann is ERROR\n",
         "zentrilo-check: " + refused + ": Socket Error # 10061 Connection refused.\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        setenv("ZENTRILO_DETECT_HOST", c.detectHost.c_str(), 1);
        const TToolRun run = RunTool(c.arguments);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.output, c.output);
        EXPECT_EQ(run.errors, c.errors);
    }
    unsetenv("ZENTRILO_DETECT_HOST");
}
#endif
