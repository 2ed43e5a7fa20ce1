#include "HistoryCommand.h"

#include "history/HistoryCsv.h"
#include "history/HistoryDatabase.h"
#include "history/HistoryReader.h"
#include "history/HistoryStore.h"
#include "monitor/BuddyStatus.h"
#include "monitor/uStrUtils.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QRegularExpression>
#include <QSet>

#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>

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

bool ParseArguments(int argc, char** argv, THistoryQuery& query) {
    bool haveSince = false;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--since") == 0) {
            const auto since =
                (haveSince || i + 1 >= argc) ? std::nullopt : ParseUtcDate(argv[++i]);
            if (!since)
                return false;
            query.SinceMs = *since;
            haveSince = true;
        } else if (std::strncmp(argv[i], "--", 2) == 0) {
            return false;
        } else {
            query.IDs.insert(LowerAscii(TrimControl(QString::fromUtf8(argv[i]))));
        }
    }
    return true;
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
    if (!ParseArguments(argc, argv, query)) {
        std::fputs("Usage: zentrilo-check --history [--since YYYY-MM-DD] [ID...]\n", stderr);
        return kBadUsage;
    }
    QCoreApplication application(argc, argv); // Qt SQL finds its driver through it
    THistoryDatabase db(DefaultHistoryPath());
    std::vector<THistoryChange> changes;
    int status = kPrinted;
    if (db.OpenForReading()) {
        if (db.HasHistory())
            changes = ReadHistoryChanges(db.Connection(), query.SinceMs,
                                         std::numeric_limits<qint64>::max());
    } else if (!db.LastError().isEmpty()) {
        std::fprintf(stderr, "zentrilo-check: cannot read %s: %s\n", db.Path().toUtf8().constData(),
                     db.LastError().toUtf8().constData());
        status = kUnreadable;
    }
    Print(HistoryCsv(Selected(std::move(changes), query), EnglishStatusWord));
    return status;
}
