#pragma once
// The history as bars: for each entry, which status held from when to when, with the times
// nobody was checking it left as gaps, cut to a range of time.

#include "history/HistoryTypes.h"

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

    // One row per entry with any history, ordered by ID and then source.
    std::vector<TTimelineRow> Rows(TTimelineRange range) const;
    qint64 NowMs() const { return nowMs_; }

private:
    struct TEntry {
        THistoryKey Key;
        std::vector<TTimelineInterval> Known; // in order, not overlapping; no gaps inside
        std::optional<qint64> LastSeenOnlineMs;
    };

    TTimelineRow Cut(const TEntry& entry, TTimelineRange range) const;

    std::vector<TEntry> entries_;
    qint64 nowMs_ = 0;
};
