#include "history/HistoryReader.h"

#include <QSqlQuery>
#include <QVariant>

#include <map>

namespace {

// Entries by row: a few dozen, while changes run to hundreds of thousands that then share the
// keys' texts instead of each reading its own.
std::map<qint64, THistoryKey> ReadEntries(const QSqlDatabase& db) {
    std::map<qint64, THistoryKey> entries;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT id, buddy, source FROM entries")))
        return entries;
    while (query.next())
        entries[query.value(0).toLongLong()] = {query.value(1).toString(),
                                                query.value(2).toString()};
    return entries;
}

} // namespace

std::vector<THistoryChange> ReadHistoryChanges(const QSqlDatabase& db, qint64 fromMs, qint64 toMs) {
    std::vector<THistoryChange> changes;
    const std::map<qint64, THistoryKey> entries = ReadEntries(db);
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT time, entry, old, new FROM changes"
                                 " WHERE time >= ? AND time < ? ORDER BY time, id"));
    query.addBindValue(fromMs);
    query.addBindValue(toMs);
    if (!query.exec())
        return changes;
    while (query.next()) {
        const auto entry = entries.find(query.value(1).toLongLong());
        if (entry == entries.end())
            continue; // a change without its entry names nobody
        changes.push_back({query.value(0).toLongLong(), entry->second, query.value(2).toInt(),
                           query.value(3).toInt()});
    }
    return changes;
}

std::vector<THistorySpan> ReadHistorySpans(const QSqlDatabase& db,
                                           const std::set<qint64>& liveWatches) {
    std::vector<THistorySpan> spans;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT w.id, e.buddy, e.source, w.first, w.last FROM watches w"
                                   " JOIN entries e ON e.id = w.entry ORDER BY w.first, w.id")))
        return spans;
    while (query.next()) {
        spans.push_back({{query.value(1).toString(), query.value(2).toString()},
                         query.value(3).toLongLong(),
                         query.value(4).toLongLong(),
                         liveWatches.count(query.value(0).toLongLong()) > 0});
    }
    return spans;
}
