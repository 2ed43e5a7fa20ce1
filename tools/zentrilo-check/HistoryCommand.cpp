#include "HistoryCommand.h"

#include "history/HistoryCsv.h"
#include "history/HistoryDatabase.h"
#include "history/HistoryReader.h"
#include "history/HistoryStore.h"
#include "monitor/BuddyStatus.h"
#include "shell/uStrUtils.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QRegularExpression>
#include <QSet>

#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>
#include <string>

namespace {

constexpr int kPrinted = 0;
constexpr int kUnreadable = 1;
constexpr int kBadUsage = 2;

struct THistoryQuery {
    qint64 SinceMs = std::numeric_limits<qint64>::min();
    QSet<QString> IDs; // as the list keeps them; empty: every ID
};

// Strictly YYYY-MM-DD, a real date, taken as midnight UTC.
std::optional<qint64> ParseUtcDate(const char* text) {
    static const QRegularExpression shape(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}$"));
    const QString date = QString::fromUtf8(text);
    if (!shape.match(date).hasMatch())
        return std::nullopt;
    const QDate day = QDate::fromString(date, Qt::ISODate);
    if (!day.isValid())
        return std::nullopt;
    return QDateTime(day, QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();
}

// What is wrong with the arguments after "--history"; empty when nothing is.
std::string ParseArguments(int argc, char** argv, THistoryQuery& query) {
    bool haveSince = false;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--since") == 0) {
            if (haveSince)
                return "--since is given twice";
            if (i + 1 >= argc)
                return "--since needs a date (YYYY-MM-DD)";
            const auto since = ParseUtcDate(argv[++i]);
            if (!since)
                return "'" + std::string(argv[i]) + "' is not a date of the form YYYY-MM-DD";
            query.SinceMs = *since;
            haveSince = true;
        } else if (argv[i][0] == '-') {
            return "unknown option '" + std::string(argv[i]) + "'";
        } else if (argv[i][0] == '\0') {
            return "an ID must not be empty";
        } else {
            query.IDs.insert(LowerAscii(TrimControl(QString::fromUtf8(argv[i]))));
        }
    }
    return {};
}

void Print(const QByteArray& bytes) {
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}

std::vector<THistoryChange> Selected(std::vector<THistoryChange> changes,
                                     const THistoryQuery& query) {
    if (query.IDs.isEmpty())
        return changes;
    std::erase_if(changes,
                  [&](const THistoryChange& change) { return !query.IDs.contains(change.Key.ID); });
    return changes;
}

} // namespace

bool IsHistoryCommand(int argc, char** argv) {
    return argc >= 2 && std::strcmp(argv[1], "--history") == 0;
}

int RunHistoryCommand(int argc, char** argv) {
    THistoryQuery query;
    const std::string problem = ParseArguments(argc, argv, query);
    if (!problem.empty()) {
        std::fprintf(stderr,
                     "zentrilo-check: %s\nUsage: zentrilo-check --history [--since YYYY-MM-DD] "
                     "[ID...]\n",
                     problem.c_str());
        return kBadUsage;
    }
    QCoreApplication application(argc, argv); // Qt SQL finds its driver through it
    THistoryDatabase db(DefaultHistoryPath());
    std::vector<THistoryChange> changes;
    if (db.OpenForReading()) {
        if (db.HasHistory())
            changes = ReadHistoryChanges(db.Connection(), query.SinceMs,
                                         std::numeric_limits<qint64>::max());
    } else if (!db.LastError().isEmpty()) {
        // The history is printed whole or not at all: a part would pass for all of it.
        std::fprintf(stderr, "zentrilo-check: cannot read the history: %s\n",
                     db.LastError().toUtf8().constData());
        return kUnreadable;
    }
    Print(HistoryCsv(Selected(std::move(changes), query), EnglishStatusWord));
    return kPrinted;
}
