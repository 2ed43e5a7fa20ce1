#pragma once
// What the history tests share: a store in a private folder on a clock the test moves, UTC times
// written as text, and raw SQL on a database file.

#include "history/HistoryStore.h"

#include <QDateTime>
#include <QString>
#include <QTemporaryDir>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

// Milliseconds since the epoch of an ISO 8601 UTC time such as "2026-12-09T14:03:07Z".
qint64 Utc(const char* iso);
QDateTime UtcTime(const char* iso);

THistoryKey Key(const char* id, const char* source = "Zentrilo");

// Runs one statement on the file through a connection of its own; the first value.
QVariant RawSql(const QString& path, const QString& sql);

class THistoryFixture {
public:
    THistoryFixture();
    // A store on the fixture's file; its warnings are collected in `warnings`.
    std::unique_ptr<THistoryStore> Open(const QString& path = QString());
    QString Path() const;

    QTemporaryDir folder;
    qint64 nowMs;
    std::vector<THistoryWarning> warnings;
    std::function<void()> afterWarning; // runs in the handler, as a modal box's event loop would
};
