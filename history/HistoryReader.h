#pragma once
// Queries over an open history database, shared by the store and by read-only users.

#include "history/HistoryTypes.h"

#include <QSqlDatabase>

#include <set>
#include <vector>

// The changes with fromMs <= time < toMs, oldest first (changes of the same moment in the order
// they were written). Empty when the database cannot be read.
std::vector<THistoryChange> ReadHistoryChanges(const QSqlDatabase& db, qint64 fromMs, qint64 toMs);

// The changes written after the change row `lastRow`, in the order written; `lastRow` moves to
// the latest one read. A reader that keeps what it read so far asks only for what is new.
std::vector<THistoryChange> ReadHistoryChangesAfter(const QSqlDatabase& db, qint64& lastRow);

// Every span of watching, earliest first; the spans of the watch rows in `liveWatches` are live.
std::vector<THistorySpan> ReadHistorySpans(const QSqlDatabase& db,
                                           const std::set<qint64>& liveWatches);

// The spans of one run, earliest first, live as above.
std::vector<THistorySpan> ReadHistoryRunSpans(const QSqlDatabase& db, qint64 run,
                                              const std::set<qint64>& liveWatches);

// All that is known of one entry: its changes, oldest first, and its spans, earliest first.
std::vector<THistoryChange> ReadEntryChanges(const QSqlDatabase& db, const THistoryKey& key);
std::vector<THistorySpan> ReadEntrySpans(const QSqlDatabase& db, const THistoryKey& key,
                                         const std::set<qint64>& liveWatches);
