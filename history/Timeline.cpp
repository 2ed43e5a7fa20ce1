#include "history/Timeline.h"

#include <algorithm>
#include <limits>
#include <map>

namespace {

struct TGrouped {
    std::vector<const THistoryChange*> Changes;
    std::vector<const THistorySpan*> Spans;
};

// Appends a known interval, merging it into the previous one when it continues it.
void Append(std::vector<TTimelineInterval>& out, qint64 start, qint64 end, int code) {
    if (end <= start || code == kHistoryNotChecked)
        return;
    if (!out.empty() && out.back().EndMs == start && out.back().Code == code) {
        out.back().EndMs = end;
        return;
    }
    out.push_back({start, end, code});
}

// Spans in time order, each cut to begin where the one before it ended; within a span the status
// is the latest change inside it, unknown before its first.
std::vector<TTimelineInterval> KnownIntervals(TGrouped& group, qint64 nowMs) {
    std::stable_sort(group.Changes.begin(), group.Changes.end(),
                     [](const auto* a, const auto* b) { return a->TimeMs < b->TimeMs; });
    std::sort(group.Spans.begin(), group.Spans.end(), [](const auto* a, const auto* b) {
        return a->FirstMs != b->FirstMs ? a->FirstMs < b->FirstMs : a->LastMs < b->LastMs;
    });
    std::vector<TTimelineInterval> known;
    qint64 cursor = std::numeric_limits<qint64>::min();
    std::size_t next = 0;
    const THistoryChange* latest = nullptr; // the last change drawn
    for (const THistorySpan* span : group.Spans) {
        const qint64 start = std::max(span->FirstMs, cursor);
        const qint64 end = span->Live ? std::max(span->LastMs, nowMs) : span->LastMs;
        if (end <= start)
            continue;
        while (next < group.Changes.size() && group.Changes[next]->TimeMs < start)
            ++next; // outside every span so far
        // A span overlapping the one before (the clock went back) goes on from its status.
        qint64 from = start;
        int code =
            latest != nullptr && latest->TimeMs >= span->FirstMs ? latest->To : kHistoryNotChecked;
        // A change at the very end shows nothing here; it may open the span that follows.
        for (; next < group.Changes.size() && group.Changes[next]->TimeMs < end; ++next) {
            latest = group.Changes[next];
            Append(known, from, latest->TimeMs, code);
            from = std::max(from, latest->TimeMs);
            code = latest->To;
        }
        Append(known, from, end, code);
        cursor = end;
    }
    return known;
}

// The end of the latest online bar, or a later check that found the entry online (a crash right
// after it leaves that check without a bar).
std::optional<qint64> LastOnline(const std::vector<TTimelineInterval>& known,
                                 const std::vector<const THistoryChange*>& changes) {
    std::optional<qint64> last;
    const auto bar = std::find_if(known.rbegin(), known.rend(),
                                  [](const auto& interval) { return IsOnlineCode(interval.Code); });
    if (bar != known.rend())
        last = bar->EndMs;
    const auto check = std::find_if(changes.rbegin(), changes.rend(),
                                    [](const auto* change) { return IsOnlineCode(change->To); });
    if (check != changes.rend() && (!last || (*check)->TimeMs > *last))
        last = (*check)->TimeMs;
    return last;
}

} // namespace

THistoryTimeline::THistoryTimeline(const std::vector<THistoryChange>& changes,
                                   const std::vector<THistorySpan>& spans, qint64 nowMs)
    : nowMs_(nowMs) {
    std::map<THistoryKey, TGrouped> groups;
    for (const THistoryChange& change : changes)
        groups[change.Key].Changes.push_back(&change);
    for (const THistorySpan& span : spans)
        groups[span.Key].Spans.push_back(&span);
    entries_.reserve(groups.size());
    for (auto& [key, group] : groups) {
        TEntry entry{key, KnownIntervals(group, nowMs), std::nullopt};
        entry.LastSeenOnlineMs = LastOnline(entry.Known, group.Changes);
        entries_.push_back(std::move(entry));
    }
}

std::vector<TTimelineRow> THistoryTimeline::Rows(TTimelineRange range) const {
    std::vector<TTimelineRow> rows;
    rows.reserve(entries_.size());
    for (const TEntry& entry : entries_)
        rows.push_back(Cut(entry, range));
    return rows;
}

TTimelineRow THistoryTimeline::Cut(const TEntry& entry, TTimelineRange range) const {
    TTimelineRow row{entry.Key, {}, entry.LastSeenOnlineMs, 0};
    if (range.ToMs <= range.FromMs)
        return row;
    qint64 position = range.FromMs;
    auto it =
        std::upper_bound(entry.Known.begin(), entry.Known.end(), range.FromMs,
                         [](qint64 time, const auto& interval) { return time < interval.EndMs; });
    for (; it != entry.Known.end() && it->StartMs < range.ToMs; ++it) {
        const qint64 start = std::max(it->StartMs, range.FromMs);
        const qint64 end = std::min(it->EndMs, range.ToMs);
        if (start > position)
            row.Intervals.push_back({position, start, kHistoryNotChecked});
        row.Intervals.push_back({start, end, it->Code});
        if (IsOnlineCode(it->Code))
            row.OnlineMs += end - start;
        position = end;
    }
    if (position < range.ToMs)
        row.Intervals.push_back({position, range.ToMs, kHistoryNotChecked});
    return row;
}
