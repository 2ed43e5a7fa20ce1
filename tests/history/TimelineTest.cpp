// Changes and watched spans turned into bars with gaps, cut to a range.
#include "history/Timeline.h"

#include "tests/history/HistoryTestSupport.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <string>

namespace {

constexpr int NC = kHistoryNotChecked;

// A time of 2026-12-09 (UTC) written "HH:MM".
qint64 T(const char* hhmm) {
    return Utc(("2026-12-09T" + std::string(hhmm) + ":00Z").c_str());
}

constexpr qint64 kMinute = 60 * 1000;

THistoryChange Change(const char* time, int from, int to, const char* id = "a") {
    return {T(time), Key(id), from, to};
}

THistorySpan Span(const char* first, const char* last, bool live = false, const char* id = "a") {
    return {Key(id), T(first), T(last), live};
}

struct TBar {
    const char* start;
    const char* end;
    int code;
};

struct TCase {
    const char* name;
    std::vector<THistoryChange> changes;
    std::vector<THistorySpan> spans;
    const char* now;
    const char* from;
    const char* to;
    std::vector<TBar> bars;
    const char* lastSeenOnline; // nullptr: never
    qint64 onlineMinutes;
};

TEST(Timeline, TurnsChangesAndSpansIntoBarsWithGaps) {
    const std::vector<TCase> cases = {
        {"gaps before, between and after the watched spans",
         {Change("10:00", NC, 0), Change("10:30", 0, 1), Change("12:00", NC, 1)},
         {Span("10:00", "11:00"), Span("12:00", "13:00")},
         "14:00",
         "09:00",
         "14:00",
         {{"09:00", "10:00", NC},
          {"10:00", "10:30", 0},
          {"10:30", "11:00", 1},
          {"11:00", "12:00", NC},
          {"12:00", "13:00", 1},
          {"13:00", "14:00", NC}},
         "10:30",
         30},
        {"a live span lasts until now; the future is not checked",
         {Change("10:00", NC, 0)},
         {Span("10:00", "10:20", true)},
         "11:00",
         "10:00",
         "12:00",
         {{"10:00", "11:00", 0}, {"11:00", "12:00", NC}},
         "11:00",
         60},
        {"a crash right after the first check draws nothing, yet the check saw it online",
         {Change("10:00", NC, 0)},
         {Span("10:00", "10:00")},
         "12:00",
         "09:00",
         "12:00",
         {{"09:00", "12:00", NC}},
         "10:00",
         0},
        {"a run that starts as the last one ended continues its bar",
         {Change("09:00", NC, 0), Change("10:00", NC, 0)},
         {Span("09:00", "10:00"), Span("10:00", "11:00")},
         "12:00",
         "09:00",
         "11:00",
         {{"09:00", "11:00", 0}},
         "11:00",
         120},
        {"before the first change left in a span the status is unknown",
         {Change("10:15", 0, 1)},
         {Span("10:00", "11:00")},
         "12:00",
         "10:00",
         "11:00",
         {{"10:00", "10:15", NC}, {"10:15", "11:00", 1}},
         nullptr,
         0},
        {"the range cuts a bar at both ends",
         {Change("10:00", NC, 0)},
         {Span("10:00", "11:00")},
         "12:00",
         "10:10",
         "10:50",
         {{"10:10", "10:50", 0}},
         "11:00",
         40},
        {"invisible counts as online, errors and wordless codes do not",
         {Change("10:00", NC, 2), Change("11:00", 2, 255), Change("12:00", 255, 10),
          Change("13:00", 10, 1)},
         {Span("10:00", "14:00")},
         "14:00",
         "10:00",
         "14:00",
         {{"10:00", "11:00", 2},
          {"11:00", "12:00", 255},
          {"12:00", "13:00", 10},
          {"13:00", "14:00", 1}},
         "11:00",
         60},
        {"spans that overlap after the clock went back are drawn once",
         {Change("10:00", NC, 0), Change("10:30", NC, 1)},
         {Span("10:00", "11:00"), Span("10:30", "12:00")},
         "12:00",
         "10:00",
         "12:00",
         {{"10:00", "10:30", 0}, {"10:30", "12:00", 1}},
         "10:30",
         30},
        {"a change outside every span is not drawn",
         {Change("09:30", NC, 0), Change("10:00", NC, 1)},
         {Span("10:00", "11:00")},
         "12:00",
         "09:00",
         "11:00",
         {{"09:00", "10:00", NC}, {"10:00", "11:00", 1}},
         "09:30",
         0},
        {"an empty range has no bars",
         {Change("10:00", NC, 0)},
         {Span("10:00", "11:00")},
         "12:00",
         "11:00",
         "10:00",
         {},
         "11:00",
         0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        const THistoryTimeline timeline(c.changes, c.spans, T(c.now));
        const auto rows = timeline.Rows({T(c.from), T(c.to)});
        ASSERT_EQ(rows.size(), 1u);
        const TTimelineRow& row = rows[0];
        ASSERT_EQ(row.Intervals.size(), c.bars.size());
        for (std::size_t i = 0; i < c.bars.size(); ++i) {
            EXPECT_EQ(row.Intervals[i].StartMs, T(c.bars[i].start)) << i;
            EXPECT_EQ(row.Intervals[i].EndMs, T(c.bars[i].end)) << i;
            EXPECT_EQ(row.Intervals[i].Code, c.bars[i].code) << i;
        }
        if (c.lastSeenOnline == nullptr)
            EXPECT_FALSE(row.LastSeenOnlineMs.has_value());
        else
            EXPECT_EQ(row.LastSeenOnlineMs, T(c.lastSeenOnline));
        EXPECT_EQ(row.OnlineMs, c.onlineMinutes * kMinute);
    }
}

TEST(Timeline, HasOneRowPerEntryWithHistoryOrderedByIdAndSource) {
    const std::vector<THistoryChange> changes = {
        {T("10:00"), Key("b"), NC, 0},
        {T("10:00"), Key("a", "Zentrilo"), NC, 1},
        {T("10:00"), Key("a", "Other"), NC, 0},
    };
    const std::vector<THistorySpan> spans = {Span("10:00", "11:00", false, "c")};
    const THistoryTimeline timeline(changes, spans, T("12:00"));
    // A range with nothing in it still lists every entry, wholly unchecked.
    const auto rows = timeline.Rows({T("20:00"), T("21:00")});
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].Key, Key("a", "Other"));
    EXPECT_EQ(rows[1].Key, Key("a", "Zentrilo"));
    EXPECT_EQ(rows[2].Key, Key("b"));
    EXPECT_EQ(rows[3].Key, Key("c"));
    for (const TTimelineRow& row : rows) {
        ASSERT_EQ(row.Intervals.size(), 1u);
        EXPECT_EQ(row.Intervals[0].Code, NC);
    }
    EXPECT_EQ(rows[0].LastSeenOnlineMs, T("10:00"));
    EXPECT_FALSE(rows[1].LastSeenOnlineMs.has_value());
}

// How far the known history reaches over every entry: what zooming out stops at.
TEST(Timeline, ExtentCoversEveryKnownStatusOfEveryEntry) {
    const struct {
        const char* name;
        std::vector<THistoryChange> changes;
        std::vector<THistorySpan> spans;
        TTimelineRange extent;
    } cases[] = {
        {"nothing recorded", {}, {}, {}},
        {"watched but never answered", {}, {Span("10:00", "11:00")}, {}},
        {"one entry", {Change("10:00", NC, 0)}, {Span("10:00", "11:00")}, {T("10:00"), T("11:00")}},
        {"two entries, earliest start and latest end",
         {Change("10:00", NC, 0), Change("09:00", NC, 1, "b")},
         {Span("10:00", "12:00"), Span("09:00", "11:00", false, "b")},
         {T("09:00"), T("12:00")}},
        {"a live span reaches now",
         {Change("10:00", NC, 0)},
         {Span("10:00", "10:30", true)},
         {T("10:00"), T("13:00")}},
    };
    for (const auto& c : cases) {
        const TTimelineRange extent = THistoryTimeline(c.changes, c.spans, T("13:00")).Extent();
        EXPECT_EQ(extent.FromMs, c.extent.FromMs) << c.name;
        EXPECT_EQ(extent.ToMs, c.extent.ToMs) << c.name;
    }
}

// What a reader holding the history draws after being handed only what each check wrote since
// its last read is what reading the whole file again draws: over an earlier run that crashed,
// first results, changes, repeats, entries that leave and come back, moments shared by checks, a
// clock that goes back, and time that passes without a check.
TEST(Timeline, UpdatesWithWhatWasWrittenSinceDrawWhatAFullReadDraws) {
    THistoryFixture fixture;
    auto store = fixture.Open();
    std::mt19937 random(19);
    const auto step = [&](int count) {
        const char* const ids[] = {"a", "b", "c"};
        const int codes[] = {0, 1, 2, 255};
        for (int i = 0; i < count; ++i) {
            fixture.nowMs += std::uniform_int_distribution<qint64>(-2, 60)(random) * 1000;
            const char* id = ids[random() % 3];
            if (random() % 10 == 0)
                store->LeaveList(Key(id));
            else
                store->RecordCheck(Key(id), codes[random() % 4],
                                   QDateTime::fromMSecsSinceEpoch(fixture.nowMs, Qt::UTC));
        }
    };
    step(40);
    store.reset(); // killed: that run never ended
    store = fixture.Open();

    qint64 lastRow = 0;
    THistoryTimeline held(store->ChangesAfter(lastRow), store->Spans(), fixture.nowMs);
    const TTimelineRange all{std::numeric_limits<qint64>::min() / 2,
                             std::numeric_limits<qint64>::max() / 2};
    for (int round = 0; round < 60; ++round) {
        if (round % 4 == 3) { // only time passed: the live spans go on until now
            fixture.nowMs += 90 * 1000;
            held.Update({}, {}, fixture.nowMs);
        } else {
            step(1 + round % 3);
            held.Update(store->ChangesAfter(lastRow), store->RunSpans(), fixture.nowMs);
        }
        const THistoryTimeline whole(store->Changes(all.FromMs, all.ToMs), store->Spans(),
                                     fixture.nowMs);
        const auto expected = whole.Rows(all);
        const auto got = held.Rows(all);
        ASSERT_EQ(got.size(), expected.size()) << round;
        for (std::size_t r = 0; r < got.size(); ++r) {
            SCOPED_TRACE(::testing::Message() << "round " << round << " row " << r);
            EXPECT_EQ(got[r].Key, expected[r].Key);
            EXPECT_EQ(got[r].LastSeenOnlineMs, expected[r].LastSeenOnlineMs);
            EXPECT_EQ(got[r].OnlineMs, expected[r].OnlineMs);
            ASSERT_EQ(got[r].Intervals.size(), expected[r].Intervals.size());
            for (std::size_t i = 0; i < got[r].Intervals.size(); ++i) {
                EXPECT_EQ(got[r].Intervals[i].StartMs, expected[r].Intervals[i].StartMs) << i;
                EXPECT_EQ(got[r].Intervals[i].EndMs, expected[r].Intervals[i].EndMs) << i;
                EXPECT_EQ(got[r].Intervals[i].Code, expected[r].Intervals[i].Code) << i;
            }
        }
    }
    EXPECT_TRUE(store->ChangesAfter(lastRow).empty()); // everything was handed over once
}

} // namespace
