#pragma once
// One SQLite connection to the history file: opened for writing by the program (creating,
// repairing and preparing the file), or for reading by anyone else (never creating it).

#include "history/HistoryTypes.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlError>
#include <QString>

#include <optional>

class THistoryDatabase {
public:
    explicit THistoryDatabase(const QString& path);
    ~THistoryDatabase();
    THistoryDatabase(const THistoryDatabase&) = delete;
    THistoryDatabase& operator=(const THistoryDatabase&) = delete;

    // Opens the file for writing, creating it and its folder when missing. A file that is
    // damaged or cannot be opened is moved aside under a dated name (taken from `nowUtc`) and a
    // new one is started. False when nothing can be written; `warning` says what happened.
    bool OpenForWriting(const QDateTime& nowUtc, std::optional<THistoryWarning>& warning);
    // Opens an existing file read-only, never skipping its write-ahead log. False when it is
    // missing or cannot be read so (LastError says why when it exists).
    bool OpenForReading();
    bool IsOpen() const;
    // Whether the file holds the history's tables (a new or foreign file does not).
    bool HasHistory() const;

    QSqlDatabase Connection() const;
    const QString& Path() const { return path_; }
    // The driver's text of the latest failure of opening.
    const QString& LastError() const { return lastError_; }

private:
    enum class TOpenFault { None, Unwritable, Damaged };

    TOpenFault TryOpenForWriting();
    TOpenFault Classify(const QSqlError& error);
    std::optional<QSqlError> SetUp();
    bool TryOpenForReading(const QString& name, const char* options);
    std::optional<QString> MoveAside(const QDateTime& nowUtc) const;
    void Close();

    QString path_;
    QString name_; // of the Qt SQL connection, unique per instance
    QString lastError_;
};
