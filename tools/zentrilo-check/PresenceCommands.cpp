#include "tools/zentrilo-check/PresenceCommands.h"

#include "monitor/Presence.h"
#include "shell/Language.h"
#include "shell/uStrUtils.h"

#include <QString>

#include <cstdio>
#include <cstring>
#include <functional>

namespace {

using TQuery = std::function<TBuddyStatus(const QString&)>;

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
        const TBuddyStatus code = query(id);
        PrintPresenceLine(id, code);
        if (code == bsError)
            exitCode = 1;
    }
    std::fflush(stdout);
    return exitCode;
}
