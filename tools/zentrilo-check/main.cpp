// zentrilo-check: runs the program's own fetch helpers from the command line, so that people
// can see what the program gets from a server and tests can drive them from outside.
#include "http/IdTextEncoding.h"
#include "net/uNetUtils.h"
#include "tools/zentrilo-check/CommandLine.h"

#ifdef ZENTRILO_CHECK_HAS_PRESENCE
#include "tools/zentrilo-check/HistoryCommand.h"
#include "tools/zentrilo-check/PresenceCommands.h"
#include "tools/zentrilo-check/SourceCommands.h"
#endif

#include <cstdio>
#include <string>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

constexpr int kFetched = 0;
constexpr int kNotFetched = 1;
constexpr int kBadUsage = 2;

#ifdef ZENTRILO_CHECK_HAS_PRESENCE
constexpr bool kPresence = true;
#else
constexpr bool kPresence = false;
#endif

int BadUsage(const std::string& problem) {
    std::fprintf(stderr, "zentrilo-check: %s\n%s", problem.c_str(), UsageText(kPresence).c_str());
    return kBadUsage;
}

void WriteAll(const void* data, std::size_t size) {
    if (size > 0)
        std::fwrite(data, 1, size, stdout);
    std::fflush(stdout);
}

// The body goes to stdout whatever happened (empty on failure); why it failed, to stderr.
int Finish(bool ok, const std::string& failure) {
    if (!ok)
        std::fprintf(stderr, "zentrilo-check: %s\n", failure.c_str());
    return ok ? kFetched : kNotFetched;
}

int FetchText(const std::string& url) {
    std::u16string text;
    std::string failure;
    const bool ok = HttpGetTextEx(url, text, {nullptr, &failure});
    const std::string utf8 = EncodeText(text, teUTF8);
    WriteAll(utf8.data(), utf8.size());
    return Finish(ok, failure);
}

int FetchStream(const std::string& url) {
    TMemoryStream stream;
    std::string failure;
    const bool ok = HttpGetStreamEx(url, stream, {nullptr, &failure});
    WriteAll(stream.Memory(), stream.Bytes().size());
    return Finish(ok, failure);
}

} // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    // Reply bytes go out as they came: a text-mode stdout would turn each LF into CR LF.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
#ifdef ZENTRILO_CHECK_HAS_PRESENCE
    if (IsHistoryCommand(argc, argv)) // its own arguments, its own usage errors
        return RunHistoryCommand(argc, argv);
#endif
    const TCheckCommand command = ParseCommandLine(argc, argv, kPresence);
    if (!command.problem.empty())
        return BadUsage(command.problem);
    switch (command.mode) {
    case TCheckMode::Help:
        std::fputs(UsageText(kPresence).c_str(), stdout);
        return kFetched;
    case TCheckMode::Fetch:
        return FetchText(command.url);
    case TCheckMode::FetchStream:
        return FetchStream(command.url);
#ifdef ZENTRILO_CHECK_HAS_PRESENCE
    case TCheckMode::Presence:
        return RunPresenceCommand(argc, argv);
    case TCheckMode::Source:
        return RunSourceCommand(argc, argv);
    case TCheckMode::Sources:
        return RunSourcesCommand();
#else
    default:
        break; // refused above: this build has no presence queries
#endif
    }
    return kBadUsage;
}
