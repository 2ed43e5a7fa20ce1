#pragma once
// The history as bars: for each entry, which status held from when to when, with the times
// nobody was checking it left as gaps, cut to a range of time. It keeps what it was given, so
// that a reader can hand it only what was written since.

#include "history/HistoryTypes.h"

#include <map>
#include <optional>
#include <vector>

struct TTimelineInterval {
    qint64 StartMs = 0;
    qint64 EndMs = 0; // exclusive
    int Code = kHistoryNotChecked;
};

struct TTimelineRange {
    qint64 FromMs = 0;
    qint64 ToMs = 0; // exclusive
};

struct TTimelineRow {
    THistoryKey Key;
    // Cover the range without holes, in order; kHistoryNotChecked where nobody was checking.
    std::vector<TTimelineInterval> Intervals;
    // The end of the latest online or invisible time in the whole history; none: never seen.
    std::optional<qint64> LastSeenOnlineMs;
    qint64 OnlineMs = 0; // online or invisible within the range
};

class THistoryTimeline {
public:
    THistoryTimeline() = default;
    // Changes in the order written; spans in any order. A live span lasts until `nowMs`.
    THistoryTimeline(const std::vector<THistoryChange>& changes,
                     const std::vector<THistorySpan>& spans, qint64 nowMs);

    // Adds the changes written since the last update, and spans that are new or read again (a
    // span with the Row of one held replaces it); live spans now last until `nowMs`. Only the
    // entries this touches are worked out again, so an update costs what it brings.
    void Update(const std::vector<THistoryChange>& changes, const std::vector<THistorySpan>& spans,
                qint64 nowMs);

    // One row per entry with any history, ordered by ID and then source.
    std::vector<TTimelineRow> Rows(TTimelineRange range) const;
    // From the start of the earliest known status to the end of the latest; empty (From == To)
    // when nothing is known.
    TTimelineRange Extent() const;
    qint64 NowMs() const { return nowMs_; }

    struct TChangeAt {
        qint64 TimeMs;
        int To;
    };
    struct TSpanAt {
        qint64 FirstMs;
        qint64 LastMs;
        bool Live;
        qint64 Row;
    };

private:
    struct TEntry {
        std::vector<TChangeAt> Changes; // by time; of one moment in the order written
        std::vector<TSpanAt> Spans;
        std::vector<TTimelineInterval> Known; // in order, not overlapping; no gaps inside
        std::optional<qint64> LastSeenOnlineMs;
    };

    static void AddSpan(TEntry& entry, const THistorySpan& span);
    void Recompute(TEntry& entry) const;
    TTimelineRow Cut(const THistoryKey& key, const TEntry& entry, TTimelineRange range) const;

    std::map<THistoryKey, TEntry> entries_;
    qint64 nowMs_ = 0;
};
