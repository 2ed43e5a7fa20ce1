#pragma once
// Since when a watched entry has its status, and when one that is not online was last seen
// online, as the presence history tells it, for the tooltip on the entry's status.

#include "history/Timeline.h"
#include "monitor/BuddyStatus.h"

#include <QString>

#include <optional>

// "ONLINE since 14:05 (2 h 10 min)" while the history's latest status of the entry is `status`
// and still being watched, then, for an entry that is not online, "Last seen online ..." when the
// history saw it online; lines in the current language, empty when the history knows nothing.
QString StatusSinceText(TBuddyStatus status, const std::optional<TTimelineRow>& row, qint64 nowMs);

// A moment as a short local time: "14:05" on the day of `nowMs`, else with the date ("9 Dec
// 14:05" / "9 dec. 14:05") and the year when it is not the current one.
QString ShortMoment(qint64 ms, qint64 nowMs);

// A stretch of time to the minute, by its two largest units: "3 d 4 h", "2 h 10 min", "5 min".
QString StretchText(qint64 ms);
