#include "monitor/StatusSince.h"

#include "tests/history/HistoryTestSupport.h"
#include "tests/monitor/MonitorFakes.h"
#include "tests/shell/TimeZoneScope.h"

#include <gtest/gtest.h>

namespace {

struct TCheckAt {
    const char* time;
    int code;
};

// The status tooltip from a history of checks of one entry, the last of them under way now;
// `status` is what the row shows.
TEST(StatusSince, SinceWhenAndLastSeenOnlineFromTheHistory) {
    const TTimeZoneScope utc("UTC"); // the history's times read as UTC
    const struct {
        std::vector<TCheckAt> checks;
        const char* now;
        TBuddyStatus status;
        const char* english;
        const char* romanian;
    } cases[] = {
        {{}, "2026-12-09T16:15:00Z", bsOnline, "", ""},
        {{{"2026-12-09T12:00:00Z", 1}, {"2026-12-09T14:05:00Z", 0}, {"2026-12-09T16:10:00Z", 0}},
         "2026-12-09T16:15:00Z",
         bsOnline,
         "ONLINE since 14:05 (2 h 10 min)",
         "ONLINE din 14:05 (2 h 10 min)"},
        {{{"2026-12-09T14:05:00Z", 0}, {"2026-12-09T15:00:00Z", 1}},
         "2026-12-09T16:15:30Z",
         bsOffline,
         "OFFLINE since 15:00 (1 h 15 min)\nLast seen online 15:00 (1 h 15 min ago)",
         "OFFLINE din 15:00 (1 h 15 min)\nVăzut ultima dată online 15:00 (acum 1 h 15 min)"},
        {{{"2026-12-02T10:00:00Z", 0}, {"2026-12-02T10:30:00Z", 255}},
         "2026-12-09T16:30:00Z",
         bsError,
         "ERROR since 2 Dec 10:30 (7 d 6 h)\nLast seen online 2 Dec 10:30 (7 d 6 h ago)",
         "EROARE din 2 dec. 10:30 (7 z 6 h)\nVăzut ultima dată online 2 dec. 10:30 (acum 7 z 6 h)"},
        {{{"2025-12-31T23:00:00Z", 0}, {"2026-01-01T00:10:00Z", 1}},
         "2026-01-01T00:10:20Z",
         bsOffline,
         "OFFLINE since 00:10 (0 min)\nLast seen online 00:10 (0 min ago)",
         "OFFLINE din 00:10 (0 min)\nVăzut ultima dată online 00:10 (acum 0 min)"},
        // The row and the history disagree (the history could not be written): no "since".
        {{{"2026-12-09T14:05:00Z", 0}},
         "2026-12-09T14:10:00Z",
         bsOffline,
         "Last seen online 14:10 (0 min ago)",
         "Văzut ultima dată online 14:10 (acum 0 min)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.english);
        THistoryFixture fixture;
        fixture.nowMs = Utc(c.checks.empty() ? c.now : c.checks.front().time);
        auto store = fixture.Open();
        store->BeginRun();
        for (const TCheckAt& check : c.checks)
            store->RecordCheck(Key("bob"), check.code, UtcTime(check.time));
        const qint64 nowMs = Utc(c.now);
        const std::optional<TTimelineRow> row = store->EntryRow(Key("bob"), nowMs);
        EXPECT_EQ(row.has_value(), !c.checks.empty());
        for (const bool english : {true, false}) {
            TLanguageScope language(english);
            EXPECT_EQ(StatusSinceText(c.status, row, nowMs),
                      QString::fromUtf8(english ? c.english : c.romanian));
        }
    }
}

// A year not the current one is written out.
TEST(StatusSince, MomentsOfAnotherYearNameIt) {
    const TTimeZoneScope utc("UTC"); // the history's times read as UTC
    TLanguageScope language(true);
    EXPECT_EQ(ShortMoment(Utc("2025-12-31T23:00:00Z"), Utc("2026-01-01T00:10:00Z")),
              QStringLiteral("31 Dec 2025 23:00"));
}

} // namespace
