#include "history/Timeline.h"

#include <algorithm>
#include <limits>
#include <set>

namespace {

using TChangeAt = THistoryTimeline::TChangeAt;
using TSpanAt = THistoryTimeline::TSpanAt;

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
// is the latest change inside it, unknown before its first. Changes come in time order.
std::vector<TTimelineInterval> KnownIntervals(const std::vector<TChangeAt>& changes,
                                              std::vector<TSpanAt> spans, qint64 nowMs) {
    std::sort(spans.begin(), spans.end(), [](const TSpanAt& a, const TSpanAt& b) {
        return a.FirstMs != b.FirstMs ? a.FirstMs < b.FirstMs : a.LastMs < b.LastMs;
    });
    std::vector<TTimelineInterval> known;
    qint64 cursor = std::numeric_limits<qint64>::min();
    std::size_t next = 0;
    const TChangeAt* latest = nullptr; // the last change drawn
    for (const TSpanAt& span : spans) {
        const qint64 start = std::max(span.FirstMs, cursor);
        const qint64 end = span.Live ? std::max(span.LastMs, nowMs) : span.LastMs;
        if (end <= start)
            continue;
        while (next < changes.size() && changes[next].TimeMs < start)
            ++next; // outside every span so far
        // A span overlapping the one before (the clock went back) goes on from its status.
        qint64 from = start;
        int code =
            latest != nullptr && latest->TimeMs >= span.FirstMs ? latest->To : kHistoryNotChecked;
        // A change at the very end shows nothing here; it may open the span that follows.
        for (; next < changes.size() && changes[next].TimeMs < end; ++next) {
            latest = &changes[next];
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
                                 const std::vector<TChangeAt>& changes) {
    std::optional<qint64> last;
    const auto bar = std::find_if(known.rbegin(), known.rend(),
                                  [](const auto& interval) { return IsOnlineCode(interval.Code); });
    if (bar != known.rend())
        last = bar->EndMs;
    const auto check = std::find_if(changes.rbegin(), changes.rend(), [](const TChangeAt& change) {
        return IsOnlineCode(change.To);
    });
    if (check != changes.rend() && (!last || check->TimeMs > *last))
        last = check->TimeMs;
    return last;
}

bool HasLiveSpan(const std::vector<TSpanAt>& spans) {
    return std::any_of(spans.begin(), spans.end(), [](const TSpanAt& span) { return span.Live; });
}

} // namespace

THistoryTimeline::THistoryTimeline(const std::vector<THistoryChange>& changes,
                                   const std::vector<THistorySpan>& spans, qint64 nowMs) {
    Update(changes, spans, nowMs);
}

void THistoryTimeline::Update(const std::vector<THistoryChange>& changes,
                              const std::vector<THistorySpan>& spans, qint64 nowMs) {
    nowMs_ = nowMs;
    std::set<const THistoryKey*> touched;
    for (auto& [key, entry] : entries_) {
        if (HasLiveSpan(entry.Spans)) // it goes on until the new now
            touched.insert(&key);
    }
    for (const THistoryChange& change : changes) {
        const auto [it, added] = entries_.try_emplace(change.Key);
        auto& list = it->second.Changes;
        // After those of earlier moments and of the same moment, which were written before.
        const auto place =
            std::upper_bound(list.begin(), list.end(), change.TimeMs,
                             [](qint64 time, const TChangeAt& held) { return time < held.TimeMs; });
        list.insert(place, {change.TimeMs, change.To});
        touched.insert(&it->first);
    }
    for (const THistorySpan& span : spans) {
        const auto [it, added] = entries_.try_emplace(span.Key);
        AddSpan(it->second, span);
        touched.insert(&it->first);
    }
    for (const THistoryKey* key : touched)
        Recompute(entries_.at(*key));
}

void THistoryTimeline::AddSpan(TEntry& entry, const THistorySpan& span) {
    const TSpanAt at{span.FirstMs, span.LastMs, span.Live, span.Row};
    const auto held = std::find_if(entry.Spans.begin(), entry.Spans.end(), [&](const TSpanAt& s) {
        return span.Row != 0 && s.Row == span.Row;
    });
    if (held != entry.Spans.end())
        *held = at;
    else
        entry.Spans.push_back(at);
}

void THistoryTimeline::Recompute(TEntry& entry) const {
    entry.Known = KnownIntervals(entry.Changes, entry.Spans, nowMs_);
    entry.LastSeenOnlineMs = LastOnline(entry.Known, entry.Changes);
}

std::vector<TTimelineRow> THistoryTimeline::Rows(TTimelineRange range) const {
    std::vector<TTimelineRow> rows;
    rows.reserve(entries_.size());
    for (const auto& [key, entry] : entries_)
        rows.push_back(Cut(key, entry, range));
    return rows;
}

TTimelineRange THistoryTimeline::Extent() const {
    std::optional<TTimelineRange> extent;
    for (const auto& [key, entry] : entries_) {
        if (entry.Known.empty())
            continue;
        const TTimelineRange own{entry.Known.front().StartMs, entry.Known.back().EndMs};
        extent = extent ? TTimelineRange{std::min(extent->FromMs, own.FromMs),
                                         std::max(extent->ToMs, own.ToMs)}
                        : own;
    }
    return extent.value_or(TTimelineRange{});
}

TTimelineRow THistoryTimeline::Cut(const THistoryKey& key, const TEntry& entry,
                                   TTimelineRange range) const {
    TTimelineRow row{key, {}, entry.LastSeenOnlineMs, 0};
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
