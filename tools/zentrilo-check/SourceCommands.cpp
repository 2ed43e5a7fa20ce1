#include "tools/zentrilo-check/SourceCommands.h"

#include "monitor/FailureText.h"
#include "monitor/SourceQuery.h"
#include "monitor/SourceSettings.h"
#include "shell/Language.h"
#include "shell/uOptions.h"
#include "shell/uStrUtils.h"
#include "tools/zentrilo-check/PresenceCommands.h"

#include <cstdio>

namespace {

constexpr int kAllAnswered = 0;
constexpr int kSomeFailed = 1;
constexpr int kUnknownSource = 2;

TSourceCatalogue StoredCatalogue() {
    UseEnglish = true;
    return TSourceCatalogue(LoadSources(ProgramKey()));
}

void PrintLine(const char* label, const QString& text) {
    if (!text.isEmpty())
        std::printf("  %-7s%s\n", label, text.toUtf8().constData());
}

QString Heading(const TPresenceSource& source) {
    switch (source.Kind) {
    case TSourceKind::Own:
        return source.Name + (OwnServiceConfigured()
                                  ? QStringLiteral(" (the program's own service)")
                                  : QStringLiteral(" (the program's own service, not configured)"));
    case TSourceKind::Preset:
        return source.Name + QStringLiteral(" (preset)");
    case TSourceKind::User:
        break;
    }
    return source.Name;
}

} // namespace

int RunSourceCommand(int argc, char** argv) {
    const TSourceCatalogue catalogue = StoredCatalogue();
    const QString name = QString::fromUtf8(argv[2]);
    if (catalogue.Find(name) == nullptr) {
        std::fprintf(stderr,
                     "zentrilo-check: there is no source named '%s' (--sources lists them)\n",
                     argv[2]);
        return kUnknownSource;
    }
    int exitCode = kAllAnswered;
    for (int i = 3; i < argc; ++i) {
        // The ID goes to the source as typed, blanks included (percent-encoded).
        const QString id = QString::fromUtf8(argv[i]);
        const TSourceOutcome outcome = TSourceQuery::Of(catalogue, name, id).Run();
        PrintPresenceLine(id, outcome.Status);
        std::fflush(stdout);
        if (outcome.Status == bsError) {
            std::fprintf(stderr, "zentrilo-check: %s: %s\n", TrimControl(id).toUtf8().constData(),
                         ClientFailureText(outcome).toUtf8().constData());
            exitCode = kSomeFailed;
        }
    }
    return exitCode;
}

int RunSourcesCommand() {
    const TSourceCatalogue catalogue = StoredCatalogue();
    for (const TPresenceSource& source : catalogue.All()) {
        std::printf("%s\n", Heading(source).toUtf8().constData());
        PrintLine("query:", source.Url);
        PrintLine("rule:", source.Rule.Text());
        PrintLine("opens:", source.Open);
        if (source.Kind == TSourceKind::User)
            PrintLine("error:", catalogue.DefinitionProblem(source, source.Name));
    }
    std::fflush(stdout);
    return kAllAnswered;
}
