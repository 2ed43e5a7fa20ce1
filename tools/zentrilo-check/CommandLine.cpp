#include "tools/zentrilo-check/CommandLine.h"

namespace {

bool IsPresenceMode(const std::string& word) {
    return word == "--indicator" || word == "--service" || word == "--invisible";
}

// The IDs of a presence query from argv[first] on.
std::string IdsProblem(int argc, char** argv, int first) {
    if (first >= argc)
        return std::string(argv[first - 1]) + " needs at least one ID";
    for (int i = first; i < argc; ++i) {
        if (argv[i][0] == '\0')
            return "an ID must not be empty";
        if (argv[i][0] == '-')
            return "unknown option '" + std::string(argv[i]) + "'";
    }
    return {};
}

std::string SourceProblem(int argc, char** argv) {
    if (argc < 4)
        return "--source needs a source name and at least one ID";
    if (argv[2][0] == '\0')
        return "the source name is empty";
    return IdsProblem(argc, argv, 3);
}

std::string FetchProblem(int argc, char** argv) {
    if (argc < 3)
        return std::string(argv[1]) + " needs a URL";
    if (argc > 3)
        return "unexpected argument '" + std::string(argv[3]) + "' after the URL";
    if (argv[2][0] == '\0')
        return "the URL is empty";
    return {};
}

} // namespace

TCheckCommand ParseCommandLine(int argc, char** argv, bool presence) {
    TCheckCommand command;
    if (argc < 2) {
        command.problem = "no mode and no ID given";
        return command;
    }
    const std::string first = argv[1];
    if (first == "--help") {
        if (argc > 2)
            command.problem = "unexpected argument '" + std::string(argv[2]) + "' after --help";
    } else if (first == "--fetch" || first == "--fetch-stream") {
        command.mode = first == "--fetch" ? TCheckMode::Fetch : TCheckMode::FetchStream;
        command.problem = FetchProblem(argc, argv);
        if (command.problem.empty())
            command.url = argv[2];
    } else if (first == "--source" || first == "--sources") {
        command.mode = first == "--source" ? TCheckMode::Source : TCheckMode::Sources;
        if (!presence)
            command.problem = "presence queries are not part of this build";
        else if (command.mode == TCheckMode::Source)
            command.problem = SourceProblem(argc, argv);
        else if (argc > 2)
            command.problem = "unexpected argument '" + std::string(argv[2]) + "' after --sources";
    } else if (IsPresenceMode(first) || first.empty() || first[0] != '-') {
        command.mode = TCheckMode::Presence;
        command.problem = !presence ? "presence queries are not part of this build"
                                    : IdsProblem(argc, argv, IsPresenceMode(first) ? 2 : 1);
    } else {
        command.problem = "unknown option '" + first + "'";
    }
    return command;
}

std::string UsageText(bool presence) {
    std::string text = "Usage:\n"
                       "  zentrilo-check --fetch URL         print the reply body as UTF-8 text\n"
                       "  zentrilo-check --fetch-stream URL  write the raw reply body bytes\n";
    if (presence)
        text += "  zentrilo-check --indicator ID...   ask the online-presence indicator service\n"
                "  zentrilo-check --service ID...     ask the detection service\n"
                "  zentrilo-check --invisible ID...   ask the detection service, invisible "
                "detection on\n"
                "  zentrilo-check ID...               check each ID as the program's one-off "
                "check does\n"
                "  zentrilo-check --source NAME ID... ask a presence source (--sources lists "
                "them)\n"
                "  zentrilo-check --sources           list every presence source\n"
                "  zentrilo-check --history [--since YYYY-MM-DD] [ID...]\n"
                "                                     print the recorded presence changes as "
                "CSV\n";
    text += "  zentrilo-check --help              show this text\n"
            "Exit status: 0 when the final reply was 200";
    if (presence)
        text += " and no query ended in ERROR";
    text += ", 1 when not, 2 for bad arguments";
    if (presence)
        text += " or an unknown source";
    text += ".\n"
            "Why a fetch or a query failed is written to standard error.\n";
    return text;
}
