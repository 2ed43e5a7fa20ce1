#include "app/frmHistoryTimeline.h"

#include "monitor/BuddyStatus.h"
#include "shell/Language.h"

#include <QDateTime>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>
#include <array>

namespace {

constexpr int kMargin = 8;
constexpr int kLegendHeight = 22;
constexpr int kHeaderHeight = 22;
constexpr int kRowHeight = 24;
constexpr int kBarHeight = 14;
constexpr int kGap = 12;
constexpr int kMinTickSpacing = 70;
constexpr int kMinBarWidth = 120;
constexpr qint64 kHourMs = 3600LL * 1000;
constexpr int kHoursPerDay = 24;
constexpr int kHoursPerMonth = 720;

// Bar colours. Where one pixel column holds several statuses, online time wins (a short visit
// stays visible in a long range); otherwise the status that lasted longest there.
enum TCategory { tcOnline, tcInvisible, tcOffline, tcError, tcOther, tcNotChecked, tcCount };

TCategory CategoryOf(int code) {
    switch (code) {
    case bsOnline:
        return tcOnline;
    case bsInvisible:
        return tcInvisible;
    case bsOffline:
        return tcOffline;
    case bsError:
        return tcError;
    case kHistoryNotChecked:
        return tcNotChecked;
    default:
        return tcOther;
    }
}

const std::array<QColor, tcCount>& CategoryColours() {
    static const std::array<QColor, tcCount> colours = {
        QColor(46, 160, 67), QColor(111, 66, 193), QColor(150, 160, 172),
        QColor(214, 69, 65), QColor(230, 160, 40), QColor(232, 232, 232)};
    return colours;
}

using TColumnTimes = std::array<qint64, tcCount>;

TCategory Winner(const TColumnTimes& times) {
    if (times[tcOnline] > 0 || times[tcInvisible] > 0)
        return times[tcInvisible] > times[tcOnline] ? tcInvisible : tcOnline;
    const auto longest = std::max_element(times.begin() + tcOffline, times.end());
    return *longest > 0 ? static_cast<TCategory>(longest - times.begin()) : tcNotChecked;
}

// How long each category lasted in each pixel column of the bar.
std::vector<TColumnTimes> ColumnTimes(const TTimelineRow& row, TTimelineRange range, int width) {
    std::vector<TColumnTimes> columns(static_cast<std::size_t>(width), TColumnTimes{});
    const qint64 span = range.ToMs - range.FromMs;
    const auto columnStart = [&](qint64 c) { return range.FromMs + span * c / width; };
    for (const TTimelineInterval& interval : row.Intervals) {
        const qint64 first = (interval.StartMs - range.FromMs) * width / span;
        const qint64 last =
            std::min<qint64>((interval.EndMs - 1 - range.FromMs) * width / span, width - 1);
        const TCategory category = CategoryOf(interval.Code);
        for (qint64 c = std::max<qint64>(first, 0); c <= last; ++c) {
            const qint64 overlap = std::min(interval.EndMs, columnStart(c + 1)) -
                                   std::max(interval.StartMs, columnStart(c));
            columns[static_cast<std::size_t>(c)][category] += std::max<qint64>(overlap, 0);
        }
    }
    return columns;
}

QString LocalTime(qint64 ms, const char* format) {
    return QDateTime::fromMSecsSinceEpoch(ms).toString(QString::fromLatin1(format));
}

// The two largest units: "3 d 4 h", "4 h 5 min", "5 min 3 s", "3 s".
QString Duration(qint64 ms) {
    const qint64 seconds = ms / 1000;
    const qint64 days = seconds / 86400;
    const qint64 hours = seconds % 86400 / 3600;
    const qint64 minutes = seconds % 3600 / 60;
    if (days > 0)
        return Lang("%1 d %2 h", "%1 z %2 h").arg(days).arg(hours);
    if (hours > 0)
        return QStringLiteral("%1 h %2 min").arg(hours).arg(minutes);
    if (minutes > 0)
        return QStringLiteral("%1 min %2 s").arg(minutes).arg(seconds % 60);
    return QStringLiteral("%1 s").arg(seconds);
}

QString RowLabel(const THistoryKey& key) {
    if (key.Source == OwnSourceName())
        return key.ID;
    return QStringLiteral("%1 (%2)").arg(key.ID, key.Source);
}

struct TTick {
    qint64 Ms;
    QString Label;
};

int TickStepHours(TTimelineRange range, int width) {
    static const int steps[] = {1, 2, 3, 6, 12, 24, 48, 168, 336, 720, 2160, 8640};
    const qint64 span = range.ToMs - range.FromMs;
    for (const int hours : steps) {
        if (hours * kHourMs * width / span >= kMinTickSpacing)
            return hours;
    }
    return steps[std::size(steps) - 1];
}

QDateTime NextTick(const QDateTime& tick, int hours) {
    if (hours >= kHoursPerMonth)
        return tick.addMonths(hours / kHoursPerMonth);
    if (hours >= kHoursPerDay)
        return tick.addDays(hours / kHoursPerDay);
    return tick.addSecs(hours * 3600LL);
}

QString TickLabel(const QDateTime& tick, int hours) {
    if (hours >= kHoursPerMonth)
        return tick.toString(QStringLiteral("yyyy-MM"));
    if (hours >= kHoursPerDay || tick.time() == QTime(0, 0))
        return tick.toString(QStringLiteral("MM-dd"));
    return tick.toString(QStringLiteral("HH:mm"));
}

// Ticks on local hours, midnights or first days of months, at least kMinTickSpacing apart.
std::vector<TTick> Ticks(TTimelineRange range, int width) {
    std::vector<TTick> ticks;
    if (range.ToMs <= range.FromMs || width <= 0)
        return ticks;
    const int hours = TickStepHours(range, width);
    QDate first = QDateTime::fromMSecsSinceEpoch(range.FromMs).date();
    if (hours >= kHoursPerMonth)
        first = QDate(first.year(), first.month(), 1);
    QDateTime tick = first.startOfDay();
    for (int guard = 0; guard < 10000 && tick.toMSecsSinceEpoch() < range.ToMs; ++guard) {
        if (tick.toMSecsSinceEpoch() >= range.FromMs)
            ticks.push_back({tick.toMSecsSinceEpoch(), TickLabel(tick, hours)});
        tick = NextTick(tick, hours);
    }
    return ticks;
}

} // namespace

THistoryTimelineView::THistoryTimelineView(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void THistoryTimelineView::SetRows(std::vector<TTimelineRow> rows, TTimelineRange range,
                                   qint64 nowMs) {
    rows_ = std::move(rows);
    range_ = range;
    nowMs_ = nowMs;
    updateGeometry();
    update();
}

QColor THistoryTimelineView::StatusColour(int code) {
    return CategoryColours()[CategoryOf(code)];
}

QString THistoryTimelineView::StatusWord(int code) {
    if (code == kHistoryNotChecked)
        return Lang("not checked", "neverificat");
    QString word;
    if (code >= 0 && code <= 255)
        StatusText(static_cast<TBuddyStatus>(code), word);
    return word.isEmpty() ? Lang("code %1", "cod %1").arg(code) : word;
}

QSize THistoryTimelineView::sizeHint() const {
    const int rows = std::max<int>(static_cast<int>(rows_.size()), 1);
    return {900, RowTop(rows) + kMargin};
}

QSize THistoryTimelineView::minimumSizeHint() const {
    return {kMinBarWidth * 4, RowTop(1) + kMargin};
}

THistoryTimelineView::TColumns THistoryTimelineView::Columns() const {
    const QFontMetrics metrics = fontMetrics();
    int label = metrics.horizontalAdvance(QStringLiteral("ID"));
    for (const TTimelineRow& row : rows_)
        label = std::max(label, metrics.horizontalAdvance(RowLabel(row.Key)));
    label = std::clamp(label, 80, 220) + kGap;
    const int seen =
        std::max(metrics.horizontalAdvance(QStringLiteral("0000-00-00 00:00")),
                 metrics.horizontalAdvance(Lang("Last seen online", "Văzut online ultima dată"))) +
        kGap;
    const int online =
        std::max(metrics.horizontalAdvance(QStringLiteral("000 d 00 h")),
                 metrics.horizontalAdvance(Lang("Online in range", "Online în interval"))) +
        kGap;
    TColumns columns;
    columns.label = kMargin + label;
    columns.bars = std::max(width() - columns.label - kGap - seen - online - kMargin, kMinBarWidth);
    columns.seen = columns.label + columns.bars + kGap;
    columns.online = columns.seen + seen;
    return columns;
}

int THistoryTimelineView::RowTop(int row) const {
    return kMargin + kLegendHeight + kHeaderHeight + row * kRowHeight;
}

int THistoryTimelineView::RowAt(int y) const {
    if (y < RowTop(0))
        return -1;
    const int row = (y - RowTop(0)) / kRowHeight;
    return row < static_cast<int>(rows_.size()) ? row : -1;
}

QRect THistoryTimelineView::BarRect(int row) const {
    const TColumns columns = Columns();
    return {columns.label, RowTop(row) + (kRowHeight - kBarHeight) / 2, columns.bars, kBarHeight};
}

int THistoryTimelineView::XOf(qint64 timeMs) const {
    const TColumns columns = Columns();
    const qint64 span = std::max<qint64>(range_.ToMs - range_.FromMs, 1);
    return columns.label + static_cast<int>((timeMs - range_.FromMs) * columns.bars / span);
}

qint64 THistoryTimelineView::TimeAt(int x) const {
    const TColumns columns = Columns();
    const qint64 span = range_.ToMs - range_.FromMs;
    // The middle of the pixel.
    return range_.FromMs + ((x - columns.label) * 2 + 1) * span / (2 * columns.bars);
}

QString THistoryTimelineView::ToolTipAt(const QPoint& point) const {
    const int row = RowAt(point.y());
    if (row < 0 || range_.ToMs <= range_.FromMs)
        return {};
    const QRect bar = BarRect(row);
    if (point.x() < bar.left() || point.x() > bar.right())
        return {};
    const qint64 time = TimeAt(point.x());
    const auto& intervals = rows_[static_cast<std::size_t>(row)].Intervals;
    const auto after = std::upper_bound(intervals.begin(), intervals.end(), time,
                                        [](qint64 t, const auto& i) { return t < i.StartMs; });
    if (after == intervals.begin() || std::prev(after)->EndMs <= time)
        return {};
    const TTimelineInterval& interval = *std::prev(after);
    return Lang("%1: %2\nFrom: %3\nTo: %4\nDuration: %5",
                "%1: %2\nDe la: %3\nPână la: %4\nDurată: %5")
        .arg(RowLabel(rows_[static_cast<std::size_t>(row)].Key), StatusWord(interval.Code),
             LocalTime(interval.StartMs, "yyyy-MM-dd HH:mm:ss"),
             LocalTime(interval.EndMs, "yyyy-MM-dd HH:mm:ss"),
             Duration(interval.EndMs - interval.StartMs));
}

bool THistoryTimelineView::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    auto* help = static_cast<QHelpEvent*>(event);
    const QString text = ToolTipAt(help->pos());
    if (text.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
    } else {
        QToolTip::showText(help->globalPos(), text, this);
    }
    return true;
}

void THistoryTimelineView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    painter.setPen(palette().text().color());
    PaintLegend(painter);
    const TColumns columns = Columns();
    PaintHeader(painter, columns);
    if (rows_.empty()) {
        painter.drawText(QRect(kMargin, RowTop(0), width() - 2 * kMargin, kRowHeight),
                         Qt::AlignCenter,
                         Lang("No presence changes recorded yet.",
                              "Încă nu s-a înregistrat nicio schimbare de prezență."));
        return;
    }
    for (int row = 0; row < static_cast<int>(rows_.size()); ++row)
        PaintRow(painter, columns, row);
}

void THistoryTimelineView::PaintLegend(QPainter& painter) const {
    const QFontMetrics metrics = fontMetrics();
    int x = kMargin;
    for (const int code :
         {int(bsOnline), int(bsInvisible), int(bsOffline), int(bsError), kHistoryNotChecked}) {
        const QRect swatch(x, kMargin + (kLegendHeight - kBarHeight) / 2, kBarHeight, kBarHeight);
        painter.fillRect(swatch, StatusColour(code));
        painter.drawRect(swatch.adjusted(0, 0, -1, -1));
        x = swatch.right() + 5;
        const QString word = StatusWord(code);
        painter.drawText(QRect(x, kMargin, metrics.horizontalAdvance(word) + 1, kLegendHeight),
                         Qt::AlignLeft | Qt::AlignVCenter, word);
        x += metrics.horizontalAdvance(word) + 2 * kGap;
    }
}

void THistoryTimelineView::PaintHeader(QPainter& painter, const TColumns& columns) const {
    const int top = kMargin + kLegendHeight;
    const int bottom = RowTop(std::max<int>(static_cast<int>(rows_.size()), 1));
    const auto cell = [&](int left, int width) { return QRect(left, top, width, kHeaderHeight); };
    const int flags = Qt::AlignLeft | Qt::AlignVCenter;
    painter.drawText(cell(kMargin, columns.label - kMargin), flags, QStringLiteral("ID"));
    painter.drawText(cell(columns.seen, columns.online - columns.seen), flags,
                     Lang("Last seen online", "Văzut online ultima dată"));
    painter.drawText(cell(columns.online, width() - columns.online), flags,
                     Lang("Online in range", "Online în interval"));
    const QColor text = palette().text().color();
    const int barsEnd = columns.label + columns.bars;
    for (const TTick& tick : Ticks(range_, columns.bars)) {
        const int x = XOf(tick.Ms);
        painter.setPen(palette().mid().color());
        painter.drawLine(x, top + kHeaderHeight - 4, x, bottom);
        painter.setPen(text);
        // A label that would run into the next column is left out; its line stays.
        if (x + 3 + fontMetrics().horizontalAdvance(tick.Label) < barsEnd)
            painter.drawText(cell(x + 3, barsEnd - x - 3), flags, tick.Label);
    }
}

void THistoryTimelineView::PaintRow(QPainter& painter, const TColumns& columns, int index) const {
    const TTimelineRow& row = rows_[static_cast<std::size_t>(index)];
    const int top = RowTop(index);
    const auto cell = [&](int left, int width) { return QRect(left, top, width, kRowHeight); };
    const int flags = Qt::AlignLeft | Qt::AlignVCenter;
    const QString label =
        fontMetrics().elidedText(RowLabel(row.Key), Qt::ElideRight, columns.label - kMargin - kGap);
    painter.drawText(cell(kMargin, columns.label - kMargin), flags, label);
    PaintBars(painter, row, BarRect(index));
    painter.drawText(cell(columns.seen, columns.online - columns.seen), flags, LastSeenText(row));
    painter.drawText(cell(columns.online, width() - columns.online), flags, Duration(row.OnlineMs));
}

void THistoryTimelineView::PaintBars(QPainter& painter, const TTimelineRow& row,
                                     const QRect& bar) const {
    if (range_.ToMs <= range_.FromMs)
        return;
    std::vector<TCategory> winners;
    for (const TColumnTimes& times : ColumnTimes(row, range_, bar.width()))
        winners.push_back(Winner(times));
    // One rectangle per run of columns of one colour.
    std::size_t start = 0;
    for (std::size_t c = 1; c <= winners.size(); ++c) {
        if (c < winners.size() && winners[c] == winners[start])
            continue;
        painter.fillRect(bar.left() + static_cast<int>(start), bar.top(),
                         static_cast<int>(c - start), bar.height(),
                         CategoryColours()[winners[start]]);
        start = c;
    }
}

QString THistoryTimelineView::LastSeenText(const TTimelineRow& row) const {
    if (!row.LastSeenOnlineMs)
        return Lang("never", "niciodată");
    if (*row.LastSeenOnlineMs >= nowMs_)
        return Lang("now", "acum");
    return LocalTime(*row.LastSeenOnlineMs, "yyyy-MM-dd HH:mm");
}
