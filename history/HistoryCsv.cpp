#include "history/HistoryCsv.h"

#include <QDateTime>

namespace {

QByteArray Field(const QString& text) {
    QByteArray field = text.toUtf8();
    if (!field.contains(',') && !field.contains('"') && !field.contains('\n') &&
        !field.contains('\r'))
        return field;
    field.replace('"', "\"\"");
    return '"' + field + '"';
}

QString UtcTime(qint64 ms) {
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(Qt::ISODate);
}

} // namespace

QByteArray HistoryCsv(const std::vector<THistoryChange>& changes, const TStatusWords& words) {
    QByteArray csv("time,id,source,from,to\n");
    for (const THistoryChange& change : changes) {
        csv += Field(UtcTime(change.TimeMs)) + ',' + Field(change.Key.ID) + ',' +
               Field(change.Key.Source) + ',' + Field(words(change.From)) + ',' +
               Field(words(change.To)) + '\n';
    }
    return csv;
}
