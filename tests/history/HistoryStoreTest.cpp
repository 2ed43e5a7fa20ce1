// What the store writes for a sequence of check results, runs, departures and crashes, and how
// it keeps its retention.
#include "tests/history/HistoryTestSupport.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <limits>

namespace {

constexpr qint64 kAll = std::numeric_limits<qint64>::max();

enum class TOp { Check, Leave, End, Crash };

struct TStep {
    TOp op;
    const char* time = "";
    const char* id = "a";
    int code = 0;
    const char* source = "Zentrilo";
};

TStep Check(const char* time, const char* id, int code, const char* source = "Zentrilo") {
    return {TOp::Check, time, id, code, source};
}
TStep Leave(const char* id) {
    return {TOp::Leave, "", id};
}
TStep End(const char* time) {
    return {TOp::End, time};
}
TStep Crash() {
    return {TOp::Crash};
}

struct TExpectedChange {
    const char* time;
    const char* id;
    int from;
    int to;
    const char* source = "Zentrilo";
};

struct TExpectedSpan {
    const char* id;
    const char* first;
    const char* last;
    bool live;
    const char* source = "Zentrilo";
};

struct TScenario {
    const char* name;
    std::vector<TStep> steps;
    std::vector<TExpectedChange> changes;
    std::vector<TExpectedSpan> spans;
};

class HistoryStoreTest : public ::testing::Test {
protected:
    void Play(const std::vector<TStep>& steps) {
        for (const TStep& step : steps) {
            if (*step.time != '\0')
                fixture.nowMs = Utc(step.time);
            switch (step.op) {
            case TOp::Check:
                store->RecordCheck(Key(step.id, step.source), step.code, UtcTime(step.time));
                break;
            case TOp::Leave:
                store->LeaveList(Key(step.id));
                break;
            case TOp::End:
                store->EndRun();
                break;
            case TOp::Crash:
                store.reset(); // no EndRun: what a killed program leaves
                store = fixture.Open();
                break;
            }
        }
    }

    THistoryFixture fixture;
    std::unique_ptr<THistoryStore> store = fixture.Open();
};

TEST_F(HistoryStoreTest, RecordsFirstResultsChangesAndWatchedSpans) {
    const std::vector<TScenario> scenarios = {
        {"an unchanged result adds no change but moves the last check",
         {Check("2026-12-09T10:00:00Z", "a", 1), Check("2026-12-09T10:05:00Z", "a", 1),
          Check("2026-12-09T10:10:00Z", "a", 1)},
         {{"2026-12-09T10:00:00Z", "a", 254, 1}},
         {{"a", "2026-12-09T10:00:00Z", "2026-12-09T10:10:00Z", true}}},
        {"every change with its old status, errors and wordless codes too",
         {Check("2026-12-09T10:00:00Z", "a", 1), Check("2026-12-09T10:01:00Z", "a", 0),
          Check("2026-12-09T10:02:00Z", "a", 255), Check("2026-12-09T10:03:00Z", "a", 10),
          Check("2026-12-09T10:04:00Z", "a", 0)},
         {{"2026-12-09T10:00:00Z", "a", 254, 1},
          {"2026-12-09T10:01:00Z", "a", 1, 0},
          {"2026-12-09T10:02:00Z", "a", 0, 255},
          {"2026-12-09T10:03:00Z", "a", 255, 10},
          {"2026-12-09T10:04:00Z", "a", 10, 0}},
         {{"a", "2026-12-09T10:00:00Z", "2026-12-09T10:04:00Z", true}}},
        {"an orderly end extends the entries still listed to the end",
         {Check("2026-12-09T10:00:00Z", "a", 0), Check("2026-12-09T10:05:00Z", "a", 0),
          End("2026-12-09T10:07:00Z")},
         {{"2026-12-09T10:00:00Z", "a", 254, 0}},
         {{"a", "2026-12-09T10:00:00Z", "2026-12-09T10:07:00Z", false}}},
        {"a crash ends the span at the last check; the next run starts afresh",
         {Check("2026-12-09T10:00:00Z", "a", 0), Check("2026-12-09T10:05:00Z", "a", 0), Crash(),
          Check("2026-12-09T11:00:00Z", "a", 0)},
         {{"2026-12-09T10:00:00Z", "a", 254, 0}, {"2026-12-09T11:00:00Z", "a", 254, 0}},
         {{"a", "2026-12-09T10:00:00Z", "2026-12-09T10:05:00Z", false},
          {"a", "2026-12-09T11:00:00Z", "2026-12-09T11:00:00Z", true}}},
        {"an entry that left the list counts up to its last check only",
         {Check("2026-12-09T10:00:00Z", "a", 0), Check("2026-12-09T10:00:00Z", "b", 1),
          Check("2026-12-09T10:05:00Z", "a", 0), Leave("a"), Check("2026-12-09T10:10:00Z", "b", 1),
          End("2026-12-09T10:12:00Z")},
         {{"2026-12-09T10:00:00Z", "a", 254, 0}, {"2026-12-09T10:00:00Z", "b", 254, 1}},
         {{"a", "2026-12-09T10:00:00Z", "2026-12-09T10:05:00Z", false},
          {"b", "2026-12-09T10:00:00Z", "2026-12-09T10:12:00Z", false}}},
        {"listed again in the same run: a new span with a new first result",
         {Check("2026-12-09T10:00:00Z", "a", 0), Leave("a"), Check("2026-12-09T10:30:00Z", "a", 0)},
         {{"2026-12-09T10:00:00Z", "a", 254, 0}, {"2026-12-09T10:30:00Z", "a", 254, 0}},
         {{"a", "2026-12-09T10:00:00Z", "2026-12-09T10:00:00Z", false},
          {"a", "2026-12-09T10:30:00Z", "2026-12-09T10:30:00Z", true}}},
        {"one ID from two sources is two entries",
         {Check("2026-12-09T10:00:00Z", "a", 0), Check("2026-12-09T10:00:00Z", "a", 1, "Other"),
          Check("2026-12-09T10:01:00Z", "a", 0), Check("2026-12-09T10:01:00Z", "a", 0, "Other")},
         {{"2026-12-09T10:00:00Z", "a", 254, 0},
          {"2026-12-09T10:00:00Z", "a", 254, 1, "Other"},
          {"2026-12-09T10:01:00Z", "a", 1, 0, "Other"}},
         {{"a", "2026-12-09T10:00:00Z", "2026-12-09T10:01:00Z", true},
          {"a", "2026-12-09T10:00:00Z", "2026-12-09T10:01:00Z", true, "Other"}}},
        {"a check dated before the last one does not shorten the span",
         {Check("2026-12-09T10:05:00Z", "a", 0), Check("2026-12-09T10:00:00Z", "a", 0)},
         {{"2026-12-09T10:05:00Z", "a", 254, 0}},
         {{"a", "2026-12-09T10:05:00Z", "2026-12-09T10:05:00Z", true}}},
    };
    for (const TScenario& scenario : scenarios) {
        SCOPED_TRACE(scenario.name);
        QDir(fixture.folder.path()).removeRecursively();
        store = fixture.Open();
        Play(scenario.steps);

        const auto changes = store->Changes(0, kAll);
        ASSERT_EQ(changes.size(), scenario.changes.size());
        for (std::size_t i = 0; i < changes.size(); ++i) {
            const TExpectedChange& want = scenario.changes[i];
            EXPECT_EQ(changes[i].TimeMs, Utc(want.time)) << i;
            EXPECT_EQ(changes[i].Key, Key(want.id, want.source)) << i;
            EXPECT_EQ(changes[i].From, want.from) << i;
            EXPECT_EQ(changes[i].To, want.to) << i;
        }
        const auto spans = store->Spans();
        ASSERT_EQ(spans.size(), scenario.spans.size());
        for (std::size_t i = 0; i < spans.size(); ++i) {
            const TExpectedSpan& want = scenario.spans[i];
            EXPECT_EQ(spans[i].Key, Key(want.id, want.source)) << i;
            EXPECT_EQ(spans[i].FirstMs, Utc(want.first)) << i;
            EXPECT_EQ(spans[i].LastMs, Utc(want.last)) << i;
            EXPECT_EQ(spans[i].Live, want.live) << i;
        }
        EXPECT_TRUE(fixture.warnings.empty());
        store.reset();
    }
}

TEST_F(HistoryStoreTest, RunsKeepTheirStartAndOnlyAnOrderlyEnd) {
    fixture.nowMs = Utc("2026-12-09T09:00:00Z");
    store->BeginRun();
    store->RecordCheck(Key("a"), 0, UtcTime("2026-12-09T09:00:01Z"));
    fixture.nowMs = Utc("2026-12-09T09:30:00Z");
    store->EndRun();
    // A check without BeginRun starts a run; this one is never ended.
    store->RecordCheck(Key("a"), 0, UtcTime("2026-12-09T10:00:00Z"));
    store.reset();

    const QString path = fixture.Path();
    EXPECT_EQ(RawSql(path, "SELECT count(*) FROM runs").toInt(), 2);
    EXPECT_EQ(RawSql(path, "SELECT started FROM runs ORDER BY id LIMIT 1").toLongLong(),
              Utc("2026-12-09T09:00:00Z"));
    EXPECT_EQ(RawSql(path, "SELECT ended FROM runs ORDER BY id LIMIT 1").toLongLong(),
              Utc("2026-12-09T09:30:00Z"));
    EXPECT_TRUE(RawSql(path, "SELECT ended FROM runs ORDER BY id DESC LIMIT 1").isNull());
}

// The write-ahead log grows by the pages a commit changes: one for a moved last check.
TEST_F(HistoryStoreTest, AnUnchangedResultWritesOnePage) {
    store->RecordCheck(Key("a"), 1, UtcTime("2026-12-09T10:00:00Z"));
    const QString wal = fixture.Path() + QStringLiteral("-wal");
    const qint64 before = QFileInfo(wal).size();
    store->RecordCheck(Key("a"), 1, UtcTime("2026-12-09T10:01:00Z"));
    const qint64 unchanged = QFileInfo(wal).size() - before;
    store->RecordCheck(Key("a"), 0, UtcTime("2026-12-09T10:02:00Z"));
    const qint64 changed = QFileInfo(wal).size() - before - unchanged;

    const qint64 frame = 24 + RawSql(fixture.Path(), "PRAGMA page_size").toLongLong();
    EXPECT_EQ(unchanged, frame);
    EXPECT_GT(changed, frame); // the change row and its time index as well
}

TEST_F(HistoryStoreTest, RemovesWhatIsOlderThanTheRetentionWhenOpened) {
    EXPECT_EQ(store->RetentionDays(), kDefaultRetentionDays);
    Play({Check("2025-11-01T10:00:00Z", "old", 0), End("2025-11-01T10:10:00Z"),
          Check("2025-12-20T10:00:00Z", "a", 0), Check("2026-11-20T10:00:00Z", "a", 1),
          End("2026-11-20T10:00:00Z")});
    store.reset();

    fixture.nowMs = Utc("2026-12-09T12:00:00Z"); // 365 days cut at 2025-12-09T12:00Z
    store = fixture.Open();
    auto changes = store->Changes(0, kAll);
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0].TimeMs, Utc("2025-12-20T10:00:00Z"));
    EXPECT_EQ(store->Spans().size(), 1u);
    EXPECT_EQ(RawSql(fixture.Path(), "SELECT count(*) FROM entries WHERE buddy = 'old'").toInt(),
              0);

    store->SetRetentionDays(30);
    store.reset();
    store = fixture.Open();
    EXPECT_EQ(store->RetentionDays(), 30);
    changes = store->Changes(0, kAll);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].TimeMs, Utc("2026-11-20T10:00:00Z"));
    // The span that began before the cut keeps what is left of it.
    ASSERT_EQ(store->Spans().size(), 1u);
}

// Zero days would empty the history at the next start; a damaged value must not either.
TEST_F(HistoryStoreTest, RetentionNeverDropsToNothing) {
    store->SetRetentionDays(0);
    EXPECT_EQ(store->RetentionDays(), kMinRetentionDays);
    store.reset();
    RawSql(fixture.Path(), "UPDATE settings SET value = 'many' WHERE name = 'retention_days'");
    store = fixture.Open();
    EXPECT_EQ(store->RetentionDays(), kDefaultRetentionDays);
}

TEST_F(HistoryStoreTest, ChangesAreReadWithinTheirRange) {
    store->RecordCheck(Key("a"), 0, UtcTime("2026-12-09T10:00:00Z"));
    store->RecordCheck(Key("a"), 1, UtcTime("2026-12-09T11:00:00Z"));
    store->RecordCheck(Key("a"), 0, UtcTime("2026-12-09T12:00:00Z"));
    const auto inside = store->Changes(Utc("2026-12-09T11:00:00Z"), Utc("2026-12-09T12:00:00Z"));
    ASSERT_EQ(inside.size(), 1u); // from included, to excluded
    EXPECT_EQ(inside[0].To, 1);
}

} // namespace
