#include "history/HistoryReader.h"

#include <QSqlQuery>
#include <QVariant>

std::vector<THistoryChange> ReadHistoryChanges(const QSqlDatabase& db, qint64 fromMs, qint64 toMs) {
    std::vector<THistoryChange> changes;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT c.time, e.buddy, e.source, c.old, c.new FROM changes c"
                                 " JOIN entries e ON e.id = c.entry WHERE c.time >= ? AND c.time < "
                                 "? ORDER BY c.time, c.id"));
    query.addBindValue(fromMs);
    query.addBindValue(toMs);
    if (!query.exec())
        return changes;
    while (query.next()) {
        changes.push_back({query.value(0).toLongLong(),
                           {query.value(1).toString(), query.value(2).toString()},
                           query.value(3).toInt(),
                           query.value(4).toInt()});
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
