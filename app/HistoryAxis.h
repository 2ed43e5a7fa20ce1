#pragma once
// The time axis of the history timeline: where its ticks fall and what they read, in the
// language in force, for any stretch of time from minutes to years.

#include "history/Timeline.h"

#include <QString>

#include <vector>

class QDate;
class QFontMetrics;

struct TAxisTick {
    qint64 Ms = 0;
    QString Label; // empty: a line without a label (it would run into its neighbour)
};

// Ticks on whole local minutes, hours, days, months or years across `range` drawn `width` pixels
// wide, as close as their labels allow. Times read "14:05"; a midnight, and the first tick of a
// stretch under a day, carry the date; longer stretches read dates, and years read "2025".
std::vector<TAxisTick> AxisTicks(TTimelineRange range, int width, int currentYear,
                                 const QFontMetrics& metrics);

// A local date as the axis writes it: "9 Dec" / "9 dec.", with the year when it is not
// `currentYear` ("9 Dec 2025").
QString AxisDate(const QDate& date, int currentYear);
