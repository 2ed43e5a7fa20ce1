#include "app/frmHistoryTimeline.h"

#include "app/HistoryAxis.h"
#include "monitor/BuddyStatus.h"
#include "shell/Language.h"
#include "shell/uStrUtils.h"

#include <QDateTime>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr int kMargin = 8;
constexpr int kLegendHeight = 22;
constexpr int kHeaderHeight = 22;
constexpr int kRowHeight = 24;
constexpr int kBarHeight = 14;
constexpr int kGap = 12;
constexpr int kMinBarWidth = 120;
constexpr int kMinLabelWidth = 80;
constexpr double kZoomPerNotch = 1.5; // one step of the wheel
constexpr int kNotch = 120;           // the wheel's angle delta of one step

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

} // namespace

THistoryTimelineView::THistoryTimelineView(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void THistoryTimelineView::SetTimeline(const THistoryTimeline& timeline, TTimelineRange chosen,
                                       bool keepView) {
    timeline_ = &timeline;
    const bool zoomed = view_.FromMs != chosen_.FromMs || view_.ToMs != chosen_.ToMs;
    chosen_ = chosen;
    if (keepView && zoomed)
        ShowView(view_);
    else
        ShowView(chosen);
    updateGeometry();
}

TTimelineRange THistoryTimelineView::Bounds() const {
    const TTimelineRange history = timeline_ ? timeline_->Extent() : TTimelineRange{};
    if (history.ToMs <= history.FromMs)
        return chosen_;
    return {std::min(history.FromMs, chosen_.FromMs), std::max(history.ToMs, chosen_.ToMs)};
}

void THistoryTimelineView::ShowView(TTimelineRange view) {
    const TTimelineRange bounds = Bounds();
    const qint64 whole = bounds.ToMs - bounds.FromMs;
    const qint64 span = std::clamp(view.ToMs - view.FromMs, std::min(kMinViewMs, whole), whole);
    const qint64 from = std::clamp(view.FromMs, bounds.FromMs, bounds.ToMs - span);
    view_ = {from, from + span};
    rows_ = timeline_ ? timeline_->Rows(view_) : std::vector<TTimelineRow>{};
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
    // As wide as the longest name, up to a third of the width; a longer name is cut short.
    int label = std::max(metrics.horizontalAdvance(QStringLiteral("ID")), kMinLabelWidth);
    for (const TTimelineRow& row : rows_)
        label = std::max(label, metrics.horizontalAdvance(RowLabel(row.Key)));
    label = std::min(label + kGap, std::max(width() / 3 - kMargin, kMinLabelWidth + kGap));
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
    const qint64 span = std::max<qint64>(view_.ToMs - view_.FromMs, 1);
    return columns.label + static_cast<int>((timeMs - view_.FromMs) * columns.bars / span);
}

qint64 THistoryTimelineView::TimeAt(int x) const {
    const TColumns columns = Columns();
    const qint64 span = view_.ToMs - view_.FromMs;
    // The middle of the pixel.
    return view_.FromMs + ((x - columns.label) * 2 + 1) * span / (2 * columns.bars);
}

bool THistoryTimelineView::OverBars(int x) const {
    const TColumns columns = Columns();
    return x >= columns.label && x < columns.label + columns.bars;
}

QString THistoryTimelineView::ElidedLabel(const TTimelineRow& row, const TColumns& columns) const {
    return fontMetrics().elidedText(RowLabel(row.Key), Qt::ElideRight,
                                    columns.label - kMargin - kGap);
}

QString THistoryTimelineView::ToolTipAt(const QPoint& point) const {
    const int row = RowAt(point.y());
    if (row < 0 || view_.ToMs <= view_.FromMs)
        return {};
    const TTimelineRow& shown = rows_[static_cast<std::size_t>(row)];
    if (point.x() >= kMargin && point.x() < Columns().label) {
        const QString whole = RowLabel(shown.Key);
        return ElidedLabel(shown, Columns()) == whole ? QString() : whole;
    }
    return OverBars(point.x()) ? BarToolTip(row, point.x()) : QString();
}

QString THistoryTimelineView::BarToolTip(int row, int x) const {
    const qint64 time = TimeAt(x);
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
        // IDs and source names are the user's text: never markup.
        QToolTip::showText(help->globalPos(), PlainToolTip(text), this);
    }
    return true;
}

void THistoryTimelineView::wheelEvent(QWheelEvent* event) {
    const int x = static_cast<int>(event->position().x());
    const int delta = event->angleDelta().y();
    if (!OverBars(x) || delta == 0 || !timeline_) {
        event->ignore(); // the rows scroll
        return;
    }
    // The time under the pointer stays under it.
    const double factor = std::pow(kZoomPerNotch, -double(delta) / kNotch);
    const qint64 anchor = TimeAt(x);
    const qint64 bounds = Bounds().ToMs - Bounds().FromMs;
    const qint64 span = std::clamp<qint64>(std::llround(double(view_.ToMs - view_.FromMs) * factor),
                                           std::min(kMinViewMs, bounds), bounds);
    const double before = double(anchor - view_.FromMs) / double(view_.ToMs - view_.FromMs);
    const qint64 from = anchor - std::llround(before * double(span));
    ShowView({from, from + span});
    event->accept();
}

void THistoryTimelineView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !OverBars(event->position().toPoint().x())) {
        QWidget::mousePressEvent(event);
        return;
    }
    drag_ = TDrag{event->position().toPoint().x(), view_};
    setCursor(Qt::ClosedHandCursor);
    QToolTip::hideText();
}

void THistoryTimelineView::mouseMoveEvent(QMouseEvent* event) {
    if (!drag_) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    // Dragging to the right brings earlier times into view.
    const TTimelineRange start = drag_->StartView;
    const qint64 span = start.ToMs - start.FromMs;
    const qint64 shift =
        qint64(event->position().toPoint().x() - drag_->StartX) * span / Columns().bars;
    ShowView({start.FromMs - shift, start.ToMs - shift});
}

void THistoryTimelineView::mouseReleaseEvent(QMouseEvent* event) {
    if (!drag_ || event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    drag_.reset();
    unsetCursor();
}

void THistoryTimelineView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseDoubleClickEvent(event);
        return;
    }
    drag_.reset();
    unsetCursor();
    ShowView(chosen_);
}

std::vector<THistoryTimelineView::TAxisLabel> THistoryTimelineView::AxisLabels() const {
    std::vector<TAxisLabel> labels;
    for (const TAxisTick& tick : Ticks()) {
        if (!tick.Label.isEmpty())
            labels.push_back({XOf(tick.Ms), tick.Label});
    }
    return labels;
}

std::vector<TAxisTick> THistoryTimelineView::Ticks() const {
    const int year =
        QDateTime::fromMSecsSinceEpoch(timeline_ ? timeline_->NowMs() : 0).date().year();
    return AxisTicks(view_, Columns().bars, year, fontMetrics());
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
    for (const TAxisTick& tick : Ticks()) {
        const int x = XOf(tick.Ms);
        painter.setPen(palette().mid().color());
        painter.drawLine(x, top + kHeaderHeight - 4, x, bottom);
        painter.setPen(text);
        if (!tick.Label.isEmpty())
            painter.drawText(cell(x + 3, barsEnd - x - 3), flags, tick.Label);
    }
}

void THistoryTimelineView::PaintRow(QPainter& painter, const TColumns& columns, int index) const {
    const TTimelineRow& row = rows_[static_cast<std::size_t>(index)];
    const int top = RowTop(index);
    const auto cell = [&](int left, int width) { return QRect(left, top, width, kRowHeight); };
    const int flags = Qt::AlignLeft | Qt::AlignVCenter;
    painter.drawText(cell(kMargin, columns.label - kMargin), flags, ElidedLabel(row, columns));
    PaintBars(painter, row, BarRect(index));
    painter.drawText(cell(columns.seen, columns.online - columns.seen), flags, LastSeenText(row));
    painter.drawText(cell(columns.online, width() - columns.online), flags, Duration(row.OnlineMs));
}

void THistoryTimelineView::PaintBars(QPainter& painter, const TTimelineRow& row,
                                     const QRect& bar) const {
    if (view_.ToMs <= view_.FromMs)
        return;
    std::vector<TCategory> winners;
    for (const TColumnTimes& times : ColumnTimes(row, view_, bar.width()))
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
    if (timeline_ && *row.LastSeenOnlineMs >= timeline_->NowMs())
        return Lang("now", "acum");
    return LocalTime(*row.LastSeenOnlineMs, "yyyy-MM-dd HH:mm");
}
