#include "history/HistoryStore.h"

#include "history/HistoryReader.h"

#include <QSqlQuery>

#include <algorithm>

namespace {

constexpr qint64 kDayMs = 24LL * 60 * 60 * 1000;
const char kRetentionName[] = "retention_days";

} // namespace

THistoryStore::THistoryStore(const QString& path, TWarningHandler onWarning, TClock clock)
    : db_(path), onWarning_(std::move(onWarning)), clock_(std::move(clock)) {
    std::optional<THistoryWarning> warning;
    writable_ = db_.OpenForWriting(Now(), warning);
    if (warning) {
        warnedUnwritable_ = warning->Kind == THistoryWarningKind::Unwritable;
        Warn(*warning);
    }
    if (!writable_) {
        db_.OpenForReading(); // what is there can still be shown
        return;
    }
    LoadRetention();
    RemoveExpired();
    DeliverWarning();
}

THistoryStore::~THistoryStore() = default;

QDateTime THistoryStore::Now() const {
    return clock_ ? clock_() : QDateTime::currentDateTimeUtc();
}

void THistoryStore::Warn(const THistoryWarning& warning) const {
    if (onWarning_)
        onWarning_(warning);
}

void THistoryStore::Fail(const QString& cause) {
    if (warnedUnwritable_)
        return;
    warnedUnwritable_ = true;
    pending_ = THistoryWarning{THistoryWarningKind::Unwritable, cause};
}

void THistoryStore::DeliverWarning() {
    if (!pending_)
        return;
    const THistoryWarning warning = *pending_;
    pending_.reset();
    Warn(warning);
}

std::optional<QVariant> THistoryStore::Run(const char* sql, const QVariantList& values) {
    QSqlQuery query(db_.Connection());
    if (!query.prepare(QString::fromLatin1(sql))) {
        Fail(query.lastError().text());
        return std::nullopt;
    }
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec()) {
        Fail(query.lastError().text());
        return std::nullopt;
    }
    return query.next() ? query.value(0) : QVariant();
}

bool THistoryStore::Begin() {
    QSqlDatabase db = db_.Connection();
    if (db.transaction())
        return true;
    Fail(db.lastError().text());
    return false;
}

bool THistoryStore::Commit() {
    QSqlDatabase db = db_.Connection();
    if (db.commit())
        return true;
    Fail(db.lastError().text());
    db.rollback();
    return false;
}

void THistoryStore::BeginRun() {
    if (!writable_ || run_ != 0)
        return;
    if (const auto run =
            Run("INSERT INTO runs(started) VALUES(?) RETURNING id", {Now().toMSecsSinceEpoch()}))
        run_ = run->toLongLong();
    DeliverWarning();
}

void THistoryStore::EndRun() {
    if (run_ == 0)
        return;
    const qint64 end = Now().toMSecsSinceEpoch();
    if (Begin()) {
        bool ok = Run("UPDATE runs SET ended = ? WHERE id = ?", {end, run_}).has_value();
        // Entries still in the list were watched until now.
        for (auto it = watching_.begin(); ok && it != watching_.end(); ++it)
            ok = Run("UPDATE watches SET last = max(last, ?) WHERE id = ?", {end, it->second.Watch})
                     .has_value();
        if (!ok || !Commit())
            db_.Connection().rollback();
    }
    run_ = 0;
    watching_.clear();
    DeliverWarning();
}

void THistoryStore::RecordCheck(const THistoryKey& key, int code, const QDateTime& checkTime) {
    if (!writable_)
        return;
    BeginRun();
    if (run_ == 0)
        return;
    const qint64 timeMs = (checkTime.isValid() ? checkTime : Now()).toMSecsSinceEpoch();
    const auto found = watching_.find(key);
    if (found == watching_.end())
        StartWatch(key, code, timeMs);
    else if (found->second.Status != code)
        WriteChange(key, found->second, code, timeMs);
    else
        TouchWatch(key, found->second, timeMs);
    DeliverWarning();
}

void THistoryStore::StartWatch(const THistoryKey& key, int code, qint64 timeMs) {
    if (!Begin())
        return;
    TWatch watch{0, 0, code};
    auto entry = Run("INSERT INTO entries(buddy, source) VALUES(?, ?) ON CONFLICT(buddy, source)"
                     " DO UPDATE SET buddy = excluded.buddy RETURNING id",
                     {key.ID, key.Source});
    if (entry)
        watch.Entry = entry->toLongLong();
    auto span = entry ? Run("INSERT INTO watches(run, entry, first, last) VALUES(?, ?, ?, ?)"
                            " RETURNING id",
                            {run_, watch.Entry, timeMs, timeMs})
                      : std::nullopt;
    if (span)
        watch.Watch = span->toLongLong();
    const bool written = span && Run("INSERT INTO changes(time, entry, old, new)"
                                     " VALUES(?, ?, ?, ?)",
                                     {timeMs, watch.Entry, kHistoryNotChecked, code});
    if (written && Commit())
        watching_[key] = watch;
    else
        db_.Connection().rollback();
}

void THistoryStore::WriteChange(const THistoryKey& key, TWatch& watch, int code, qint64 timeMs) {
    const bool written =
        Begin() &&
        Run("INSERT INTO changes(time, entry, old, new) VALUES(?, ?, ?, ?)",
            {timeMs, watch.Entry, watch.Status, code}) &&
        Run("UPDATE watches SET last = max(last, ?) WHERE id = ?", {timeMs, watch.Watch}) &&
        Commit();
    if (written) {
        watch.Status = code;
        return;
    }
    // Whatever was not written is not shown: the next result starts a new span.
    db_.Connection().rollback();
    watching_.erase(key);
}

void THistoryStore::TouchWatch(const THistoryKey& key, const TWatch& watch, qint64 timeMs) {
    if (!Run("UPDATE watches SET last = max(last, ?) WHERE id = ?", {timeMs, watch.Watch}))
        watching_.erase(key);
}

void THistoryStore::LeaveList(const THistoryKey& key) {
    watching_.erase(key);
}

void THistoryStore::LoadRetention() {
    const auto stored =
        Run("SELECT value FROM settings WHERE name = ?", {QString::fromLatin1(kRetentionName)});
    bool ok = false;
    const int days = stored ? stored->toString().toInt(&ok) : 0;
    if (ok && days >= kMinRetentionDays && days <= kMaxRetentionDays)
        retentionDays_ = days;
}

void THistoryStore::SetRetentionDays(int days) {
    retentionDays_ = std::clamp(days, kMinRetentionDays, kMaxRetentionDays);
    if (writable_)
        Run("INSERT INTO settings(name, value) VALUES(?, ?)"
            " ON CONFLICT(name) DO UPDATE SET value = excluded.value",
            {QString::fromLatin1(kRetentionName), QString::number(retentionDays_)});
    DeliverWarning();
}

void THistoryStore::RemoveExpired() {
    const qint64 cutoff = Now().toMSecsSinceEpoch() - retentionDays_ * kDayMs;
    const bool removed = Begin() && Run("DELETE FROM changes WHERE time < ?", {cutoff}) &&
                         Run("DELETE FROM watches WHERE last < ?", {cutoff}) &&
                         Run("DELETE FROM runs WHERE coalesce(ended, started) < ?"
                             " AND id NOT IN (SELECT run FROM watches)",
                             {cutoff}) &&
                         Run("DELETE FROM entries WHERE id NOT IN (SELECT entry FROM watches)"
                             " AND id NOT IN (SELECT entry FROM changes)") &&
                         Commit();
    if (!removed)
        db_.Connection().rollback();
}

std::vector<THistoryChange> THistoryStore::Changes(qint64 fromMs, qint64 toMs) const {
    if (!db_.IsOpen())
        return {};
    return ReadHistoryChanges(db_.Connection(), fromMs, toMs);
}

std::set<qint64> THistoryStore::LiveWatches() const {
    std::set<qint64> live;
    for (const auto& [key, watch] : watching_)
        live.insert(watch.Watch);
    return live;
}

std::vector<THistorySpan> THistoryStore::Spans() const {
    if (!db_.IsOpen())
        return {};
    return ReadHistorySpans(db_.Connection(), LiveWatches());
}

std::vector<THistoryChange> THistoryStore::ChangesAfter(qint64& row) const {
    if (!db_.IsOpen())
        return {};
    return ReadHistoryChangesAfter(db_.Connection(), row);
}

std::optional<TTimelineRow> THistoryStore::EntryRow(const THistoryKey& key, qint64 nowMs) const {
    if (!db_.IsOpen())
        return std::nullopt;
    const qint64 endMs = nowMs + 1; // the moment itself included: a check made now shows
    const THistoryTimeline timeline(ReadEntryChanges(db_.Connection(), key),
                                    ReadEntrySpans(db_.Connection(), key, LiveWatches()), endMs);
    std::vector<TTimelineRow> rows = timeline.Rows({0, endMs});
    if (rows.empty())
        return std::nullopt;
    return std::move(rows.front());
}

std::vector<THistorySpan> THistoryStore::RunSpans() const {
    if (!db_.IsOpen() || run_ == 0)
        return {};
    return ReadHistoryRunSpans(db_.Connection(), run_, LiveWatches());
}
