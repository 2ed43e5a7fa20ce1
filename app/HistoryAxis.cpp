#include "app/HistoryAxis.h"

#include "shell/Language.h"

#include <QDateTime>
#include <QFontMetrics>

#include <algorithm>
#include <array>
#include <optional>

namespace {

constexpr qint64 kMinuteMs = 60LL * 1000;
constexpr qint64 kDayMs = 24 * 60 * kMinuteMs;
constexpr int kLabelGap = 16;    // between two labels
constexpr int kLabelIndent = 3;  // from a tick's line to its label
constexpr int kMaxTicks = 10000; // a bound on every loop, whatever the range

enum class TUnit { Minute, Day, Month, Year };

struct TStep {
    TUnit Unit;
    int Count;
};

// Every step the axis may use, finest first.
constexpr std::array kSteps = {
    TStep{TUnit::Minute, 1},   TStep{TUnit::Minute, 2},   TStep{TUnit::Minute, 5},
    TStep{TUnit::Minute, 10},  TStep{TUnit::Minute, 15},  TStep{TUnit::Minute, 30},
    TStep{TUnit::Minute, 60},  TStep{TUnit::Minute, 120}, TStep{TUnit::Minute, 180},
    TStep{TUnit::Minute, 360}, TStep{TUnit::Minute, 720}, TStep{TUnit::Day, 1},
    TStep{TUnit::Day, 2},      TStep{TUnit::Day, 7},      TStep{TUnit::Day, 14},
    TStep{TUnit::Month, 1},    TStep{TUnit::Month, 2},    TStep{TUnit::Month, 3},
    TStep{TUnit::Month, 6},    TStep{TUnit::Year, 1},     TStep{TUnit::Year, 2},
    TStep{TUnit::Year, 5},     TStep{TUnit::Year, 10},    TStep{TUnit::Year, 50},
};

// About how long a step lasts (months and years vary).
qint64 StepMs(TStep step) {
    switch (step.Unit) {
    case TUnit::Minute:
        return step.Count * kMinuteMs;
    case TUnit::Day:
        return step.Count * kDayMs;
    case TUnit::Month:
        return step.Count * 30 * kDayMs;
    case TUnit::Year:
        return step.Count * 365 * kDayMs;
    }
    return kDayMs;
}

QString MonthName(int month) {
    static const std::array<std::array<const char*, 2>, 12> names = {{
        {"Jan", "ian."},
        {"Feb", "feb."},
        {"Mar", "mar."},
        {"Apr", "apr."},
        {"May", "mai"},
        {"Jun", "iun."},
        {"Jul", "iul."},
        {"Aug", "aug."},
        {"Sep", "sept."},
        {"Oct", "oct."},
        {"Nov", "nov."},
        {"Dec", "dec."},
    }};
    const auto& name = names[static_cast<std::size_t>(month - 1)];
    return Lang(name[0], name[1]);
}

// The widest label a step of this unit writes across the range's years.
int WidestLabel(TUnit unit, TTimelineRange range, int currentYear, const QFontMetrics& metrics) {
    if (unit == TUnit::Year)
        return metrics.horizontalAdvance(QStringLiteral("0000"));
    int widest = unit == TUnit::Minute ? metrics.horizontalAdvance(QStringLiteral("00:00")) : 0;
    for (const qint64 end : {range.FromMs, range.ToMs - 1}) {
        const int year = QDateTime::fromMSecsSinceEpoch(end).date().year();
        for (int month = 1; month <= 12; ++month)
            widest = std::max(
                widest, metrics.horizontalAdvance(AxisDate(QDate(year, month, 28), currentYear)));
    }
    return widest;
}

TStep ChooseStep(TTimelineRange range, int width, int currentYear, const QFontMetrics& metrics) {
    const qint64 span = range.ToMs - range.FromMs;
    for (const TStep step : kSteps) {
        const int needed = WidestLabel(step.Unit, range, currentYear, metrics) + kLabelGap;
        if (StepMs(step) * width / span >= needed)
            return step;
    }
    return kSteps.back();
}

// The times of the ticks, in order: sub-day steps from each local midnight on (so that every
// midnight is one), longer ones on whole days, months or years counted from a fixed origin, so
// that panning does not move them.
std::vector<QDateTime> TickTimes(TTimelineRange range, TStep step) {
    std::vector<QDateTime> times;
    const QDate last = QDateTime::fromMSecsSinceEpoch(range.ToMs - 1).date();
    QDate day = QDateTime::fromMSecsSinceEpoch(range.FromMs).date();
    if (step.Unit == TUnit::Month || step.Unit == TUnit::Year)
        day = QDate(day.year(), step.Unit == TUnit::Year ? 1 : day.month(), 1);
    const auto keep = [&](const QDateTime& time) {
        const qint64 ms = time.toMSecsSinceEpoch();
        if (ms >= range.FromMs && ms < range.ToMs)
            times.push_back(time);
    };
    for (int guard = 0; day <= last && guard < kMaxTicks; ++guard) {
        switch (step.Unit) {
        case TUnit::Minute: {
            const QDateTime midnight = day.startOfDay();
            const qint64 dayEnd = day.addDays(1).startOfDay().toMSecsSinceEpoch();
            const qint64 stepMs = StepMs(step);
            const qint64 skip =
                std::max<qint64>(0, (range.FromMs - midnight.toMSecsSinceEpoch()) / stepMs);
            for (qint64 k = skip;
                 midnight.toMSecsSinceEpoch() + k * stepMs < dayEnd && times.size() < kMaxTicks;
                 ++k)
                keep(midnight.addMSecs(k * stepMs));
            day = day.addDays(1);
            break;
        }
        case TUnit::Day:
            if (day.toJulianDay() % step.Count == 0)
                keep(day.startOfDay());
            day = day.addDays(1);
            break;
        case TUnit::Month:
            if ((day.year() * 12 + day.month() - 1) % step.Count == 0)
                keep(day.startOfDay());
            day = day.addMonths(1);
            break;
        case TUnit::Year:
            if (day.year() % step.Count == 0)
                keep(day.startOfDay());
            day = day.addYears(1);
            break;
        }
    }
    return times;
}

QString TickLabel(const QDateTime& time, TStep step, bool first, int currentYear) {
    const QString date = AxisDate(time.date(), currentYear);
    switch (step.Unit) {
    case TUnit::Minute:
        if (time.time() == QTime(0, 0))
            return date;
        return first ? date + QLatin1Char(' ') + time.toString(QStringLiteral("HH:mm"))
                     : time.toString(QStringLiteral("HH:mm"));
    case TUnit::Year:
        return QString::number(time.date().year());
    default:
        return date;
    }
}

} // namespace

QString AxisDate(const QDate& date, int currentYear) {
    QString text = QStringLiteral("%1 %2").arg(date.day()).arg(MonthName(date.month()));
    if (date.year() != currentYear)
        text += QStringLiteral(" %1").arg(date.year());
    return text;
}

std::vector<TAxisTick> AxisTicks(TTimelineRange range, int width, int currentYear,
                                 const QFontMetrics& metrics) {
    std::vector<TAxisTick> ticks;
    if (range.ToMs <= range.FromMs || width <= 0)
        return ticks;
    const TStep step = ChooseStep(range, width, currentYear, metrics);
    const qint64 span = range.ToMs - range.FromMs;
    std::optional<int> lastEnd; // the right end of the last label kept
    for (const QDateTime& time : TickTimes(range, step)) {
        const qint64 ms = time.toMSecsSinceEpoch();
        QString label = TickLabel(time, step, ticks.empty(), currentYear);
        const int left = static_cast<int>((ms - range.FromMs) * width / span) + kLabelIndent;
        const int right = left + metrics.horizontalAdvance(label);
        if (right >= width || (lastEnd && left < *lastEnd + kLabelGap / 2))
            label.clear();
        else
            lastEnd = right;
        ticks.push_back({ms, label});
    }
    return ticks;
}
