#pragma once
// The running program's presence history: every change of a watched entry's status, each
// entry's first result in a run, and what was being watched when, kept in an SQLite file.
// Recording never fails the caller: a file that cannot be written drops the new rows with one
// warning, a damaged one is moved aside and replaced with one warning. All calls come from the
// thread that created the store.

#include "history/HistoryDatabase.h"
#include "history/HistoryTypes.h"
#include "history/Timeline.h"

#include <QDateTime>
#include <QString>
#include <QVariant>

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <vector>

constexpr int kDefaultRetentionDays = 365;
constexpr int kMinRetentionDays = 1;
constexpr int kMaxRetentionDays = 36500;

// $XDG_DATA_HOME/ZentriloSoft/history.sqlite (under ~/.local/share without XDG_DATA_HOME) on
// Linux, %LOCALAPPDATA%\ZentriloSoft\history.sqlite on Windows.
QString DefaultHistoryPath();

class THistoryStore {
public:
    using TWarningHandler = std::function<void(const THistoryWarning&)>;
    using TClock = std::function<QDateTime()>;

    // Opens the file (creating or replacing it as needed) and removes the changes older than the
    // retention. `clock` (default: the current time) dates runs, retention and moved files.
    explicit THistoryStore(const QString& path, TWarningHandler onWarning = {}, TClock clock = {});
    ~THistoryStore();
    THistoryStore(const THistoryStore&) = delete;
    THistoryStore& operator=(const THistoryStore&) = delete;

    // Whether new rows can be written at all (the file opened for writing).
    bool Writable() const { return writable_; }

    // A run is one session of the program watching its list. RecordCheck begins one when none
    // is running. Without EndRun (a crash), each entry counts as watched up to its last check.
    void BeginRun();
    void EndRun();

    // One result of a check that started at `checkTime`. Writes the entry's first result in the
    // run and every change of its status; otherwise only moves its last check forward.
    void RecordCheck(const THistoryKey& key, int code, const QDateTime& checkTime);
    // The entry left the list (deleted, or its ID edited): it counts as watched up to its last
    // check, and a later result starts afresh.
    void LeaveList(const THistoryKey& key);

    // Days of changes kept; older ones are removed when a store opens the file.
    int RetentionDays() const { return retentionDays_; }
    void SetRetentionDays(int days); // clamped to kMinRetentionDays..kMaxRetentionDays

    std::vector<THistoryChange> Changes(qint64 fromMs, qint64 toMs) const;
    std::vector<THistorySpan> Spans() const;
    // What a reader that keeps the history needs after the first read: the changes written
    // after the change row `row` (which moves to the latest), and the spans of the current run,
    // the only ones a check can still change (none between runs).
    std::vector<THistoryChange> ChangesAfter(qint64& row) const;
    std::vector<THistorySpan> RunSpans() const;
    // The whole history of one entry as its timeline row up to and including `nowMs`, where its
    // live span ends; none when the history knows nothing of it.
    std::optional<TTimelineRow> EntryRow(const THistoryKey& key, qint64 nowMs) const;
    const QString& Path() const { return db_.Path(); }

private:
    struct TWatch {
        qint64 Entry = 0; // row of the entry
        qint64 Watch = 0; // row of its span in this run
        int Status = 0;   // as last written
    };

    void StartWatch(const THistoryKey& key, int code, qint64 timeMs);
    void WriteChange(const THistoryKey& key, TWatch& watch, int code, qint64 timeMs);
    void TouchWatch(const THistoryKey& key, const TWatch& watch, qint64 timeMs);
    void LoadRetention();
    void RemoveExpired();
    // Runs one statement; the first value of its first row (null without rows), or nothing when
    // it failed (which is reported).
    std::optional<QVariant> Run(const char* sql, const QVariantList& values = {});
    bool Begin();
    bool Commit();
    void Fail(const QString& cause);
    // Hands a failure's warning over once the call that failed has rolled back: a handler that
    // shows a modal box runs the event loop, and further checks may record meanwhile.
    void DeliverWarning();
    void Warn(const THistoryWarning& warning) const;
    QDateTime Now() const;
    std::set<qint64> LiveWatches() const;

    THistoryDatabase db_;
    TWarningHandler onWarning_;
    TClock clock_;
    bool writable_ = false;
    bool warnedUnwritable_ = false;
    std::optional<THistoryWarning> pending_;
    qint64 run_ = 0; // row of the current run; 0: none
    int retentionDays_ = kDefaultRetentionDays;
    std::map<THistoryKey, TWatch> watching_; // entries with a result in the current run
};
