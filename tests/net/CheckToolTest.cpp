// zentrilo-check end to end: the built tool, started as its own process, against a loopback
// server.
#include "tests/support/LoopbackServer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#endif

namespace {

struct TToolRun {
    int status = -1;
    std::string output;
};

std::filesystem::path OwnExecutable() {
#ifdef _WIN32
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
#else
    return std::filesystem::read_symlink("/proc/self/exe");
#endif
}

// The build puts the tool at tools/zentrilo-check/ beside tests/.
std::filesystem::path ToolPath() {
#ifdef _WIN32
    const char* name = "zentrilo-check.exe";
#else
    const char* name = "zentrilo-check";
#endif
    return OwnExecutable().parent_path().parent_path() / "tools" / "zentrilo-check" / name;
}

TToolRun RunTool(const std::string& arguments) {
    std::string command = "\"" + ToolPath().string() + "\" " + arguments;
#ifdef _WIN32
    // The command interpreter strips one pair of outer quotes.
    command = "\"" + command + "\"";
    std::FILE* pipe = ::_popen(command.c_str(), "rb");
#else
    std::FILE* pipe = ::popen(command.c_str(), "r");
#endif
    TToolRun run;
    if (!pipe)
        return run;
    char data[4096];
    for (std::size_t n; (n = std::fread(data, 1, sizeof data, pipe)) > 0;)
        run.output.append(data, n);
#ifdef _WIN32
    run.status = ::_pclose(pipe);
#else
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    return run;
}

TServerScript Answer(const std::string& reply) {
    return {step::ReadRequest(), step::Send(reply), step::Close()};
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
    };
    const Case cases[] = {
        {"text in UTF-8", "--fetch",
         HttpReply("200 OK", "gr\xc3\xbc\xc3\x9f\ndich",
                   "Content-Type: text/plain; charset=utf-8\r\n"),
         0, "gr\xc3\xbc\xc3\x9f\ndich"},
        {"raw stream", "--fetch-stream", HttpReply("200 OK", raw), 0, raw},
        {"not found", "--fetch-stream", HttpReply("404 Not Found", "gone"), 1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TLoopbackServer server({Answer(c.reply)});
        const TToolRun run =
            RunTool(std::string(c.command) + " \"" + server.Url("/check?x=1") + "\"");
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.output, c.output);
        ASSERT_EQ(server.ConnectionCount(), 1);
        EXPECT_EQ(server.Requests()[0].rfind("GET /check?x=1 HTTP/1.1\r\n", 0), 0u)
            << server.Requests()[0];
    }
}

TEST(CheckTool, BadArgumentsExitWithTwo) {
    EXPECT_EQ(RunTool("--fetch").status, 2);
    EXPECT_EQ(RunTool("--bogus x").status, 2);
}
