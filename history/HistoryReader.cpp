#include "history/HistoryReader.h"

#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
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

// Runs a query over changes whose columns are id, time, entry, old and new; `lastRow` (if any)
// gets the latest id read.
std::vector<THistoryChange> ReadChanges(const QSqlDatabase& db, const QString& sql,
                                        const QVariantList& values, qint64* lastRow = nullptr) {
    std::vector<THistoryChange> changes;
    const std::map<qint64, THistoryKey> entries = ReadEntries(db);
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(sql);
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec())
        return changes;
    while (query.next()) {
        if (lastRow != nullptr)
            *lastRow = std::max(*lastRow, query.value(0).toLongLong());
        const auto entry = entries.find(query.value(2).toLongLong());
        if (entry == entries.end())
            continue; // a change without its entry names nobody
        changes.push_back({query.value(1).toLongLong(), entry->second, query.value(3).toInt(),
                           query.value(4).toInt()});
    }
    return changes;
}

// The spans that `where` (empty: all) picks with its `values`.
std::vector<THistorySpan> ReadSpans(const QSqlDatabase& db, const std::set<qint64>& liveWatches,
                                    const QString& where, const QVariantList& values) {
    std::vector<THistorySpan> spans;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT w.id, e.buddy, e.source, w.first, w.last FROM watches w"
                                 " JOIN entries e ON e.id = w.entry ") +
                  where + QStringLiteral(" ORDER BY w.first, w.id"));
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec())
        return spans;
    while (query.next()) {
        const qint64 row = query.value(0).toLongLong();
        spans.push_back({{query.value(1).toString(), query.value(2).toString()},
                         query.value(3).toLongLong(),
                         query.value(4).toLongLong(),
                         liveWatches.count(row) > 0,
                         row});
    }
    return spans;
}

} // namespace

std::vector<THistoryChange> ReadHistoryChanges(const QSqlDatabase& db, qint64 fromMs, qint64 toMs) {
    return ReadChanges(db,
                       QStringLiteral("SELECT id, time, entry, old, new FROM changes"
                                      " WHERE time >= ? AND time < ? ORDER BY time, id"),
                       {fromMs, toMs});
}

std::vector<THistoryChange> ReadHistoryChangesAfter(const QSqlDatabase& db, qint64& lastRow) {
    return ReadChanges(db,
                       QStringLiteral("SELECT id, time, entry, old, new FROM changes"
                                      " WHERE id > ? ORDER BY id"),
                       {lastRow}, &lastRow);
}

std::vector<THistorySpan> ReadHistorySpans(const QSqlDatabase& db,
                                           const std::set<qint64>& liveWatches) {
    return ReadSpans(db, liveWatches, {}, {});
}

std::vector<THistorySpan> ReadHistoryRunSpans(const QSqlDatabase& db, qint64 run,
                                              const std::set<qint64>& liveWatches) {
    return ReadSpans(db, liveWatches, QStringLiteral("WHERE w.run = ?"), {run});
}

std::vector<THistoryChange> ReadEntryChanges(const QSqlDatabase& db, const THistoryKey& key) {
    return ReadChanges(db,
                       QStringLiteral("SELECT c.id, c.time, c.entry, c.old, c.new FROM changes c"
                                      " JOIN entries e ON e.id = c.entry"
                                      " WHERE e.buddy = ? AND e.source = ? ORDER BY c.time, c.id"),
                       {key.ID, key.Source});
}

std::vector<THistorySpan> ReadEntrySpans(const QSqlDatabase& db, const THistoryKey& key,
                                         const std::set<qint64>& liveWatches) {
    return ReadSpans(db, liveWatches, QStringLiteral("WHERE e.buddy = ? AND e.source = ?"),
                     {key.ID, key.Source});
}
