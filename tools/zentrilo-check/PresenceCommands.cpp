#include "tools/zentrilo-check/PresenceCommands.h"

#include "monitor/SourceQuery.h"
#include "shell/Language.h"
#include "shell/uStrUtils.h"

#include <QString>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

namespace {

using TQuery = std::function<TPresenceQuery(const QString&)>;

bool QueryForMode(const char* mode, TQuery& query) {
    if (std::strcmp(mode, "--indicator") == 0)
        query = QueryIndicator;
    else if (std::strcmp(mode, "--service") == 0)
        query = [](const QString& id) { return QueryStatusService(id, false); };
    else if (std::strcmp(mode, "--invisible") == 0)
        query = [](const QString& id) { return QueryStatusService(id, true); };
    else
        return false;
    return true;
}

// Bytes that would break the line (a typed ID may hold any) are shown as '?'.
std::string OneLine(std::string text) {
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '?';
    }
    return text;
}

// Why each failed request failed, one line each on stderr; stdout keeps only the results.
void PrintFailures(const TSourceOutcome& outcome) {
    for (const TQueryFailure& failure : outcome.FailedRequests)
        std::fprintf(stderr, "zentrilo-check: %s: %s\n", OneLine(failure.url).c_str(),
                     failure.reason.c_str());
}

} // namespace

void PrintPresenceLine(const QString& id, TBuddyStatus code) {
    std::printf("%s is %s\n", TrimControl(id).toUtf8().constData(),
                EnglishStatusWord(code).toUtf8().constData());
}

bool IsPresenceCommand(int argc, char** argv) {
    if (argc < 2)
        return false;
    TQuery query;
    return QueryForMode(argv[1], query) || std::strncmp(argv[1], "--", 2) != 0;
}

int RunPresenceCommand(int argc, char** argv) {
    if (argc < 2)
        return 2;
    TQuery query = OneOffCheck;
    int first = 1;
    if (QueryForMode(argv[1], query))
        first = 2;
    else if (std::strncmp(argv[1], "--", 2) == 0)
        return 2;
    if (first >= argc)
        return 2;
    UseEnglish = true;
    int exitCode = 0;
    for (int i = first; i < argc; ++i) {
        // The ID goes to the services exactly as typed, blanks included.
        const QString id = QString::fromUtf8(argv[i]);
        const TSourceOutcome outcome = TSourceQuery::Own(query(id)).Run();
        PrintFailures(outcome);
        PrintPresenceLine(id, outcome.Status);
        if (outcome.Status == bsError)
            exitCode = 1;
    }
    std::fflush(stdout);
    return exitCode;
}
