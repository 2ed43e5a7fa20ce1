// zentrilo-check: runs the program's own fetch helpers from the command line, so that people
// can see what the program gets from a server and tests can drive them from outside.
#include "http/IdTextEncoding.h"
#include "net/uNetUtils.h"

#ifdef ZENTRILO_CHECK_HAS_PRESENCE
#include "tools/zentrilo-check/PresenceCommands.h"
#endif
#ifdef ZENTRILO_CHECK_HAS_HISTORY
#include "tools/zentrilo-check/HistoryCommand.h"
#endif

#include <cstdio>
#include <cstring>
#include <string>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

constexpr int kFetched = 0;
constexpr int kNotFetched = 1;
constexpr int kBadUsage = 2;

const char kUsage[] = "Usage:\n"
                      "  zentrilo-check --fetch URL         print the reply body as UTF-8 text\n"
                      "  zentrilo-check --fetch-stream URL  write the raw reply body bytes\n"
                      "  zentrilo-check --help\n"
                      "Exit status: 0 when the final reply was 200, 1 when it was not, "
                      "2 for bad arguments.\n";

int Usage(std::FILE* out, int status) {
    std::fputs(kUsage, out);
    return status;
}

void WriteAll(const void* data, std::size_t size) {
    if (size > 0)
        std::fwrite(data, 1, size, stdout);
    std::fflush(stdout);
}

int FetchText(const std::string& url) {
    std::u16string text;
    const bool ok = HttpGetText(url, text);
    const std::string utf8 = EncodeText(text, teUTF8);
    WriteAll(utf8.data(), utf8.size());
    return ok ? kFetched : kNotFetched;
}

int FetchStream(const std::string& url) {
    TMemoryStream stream;
    const bool ok = HttpGetStream(url, stream);
    WriteAll(stream.Memory(), stream.Bytes().size());
    return ok ? kFetched : kNotFetched;
}

} // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    // Reply bytes go out as they came: a text-mode stdout would turn each LF into CR LF.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0)
        return Usage(stdout, kFetched);
    if (argc == 3 && std::strcmp(argv[1], "--fetch") == 0)
        return FetchText(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "--fetch-stream") == 0)
        return FetchStream(argv[2]);
#ifdef ZENTRILO_CHECK_HAS_HISTORY
    if (IsHistoryCommand(argc, argv))
        return RunHistoryCommand(argc, argv);
#endif
#ifdef ZENTRILO_CHECK_HAS_PRESENCE
    if (IsPresenceCommand(argc, argv))
        return RunPresenceCommand(argc, argv);
#endif
    return Usage(stderr, kBadUsage);
}
