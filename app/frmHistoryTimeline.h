#pragma once
// The history window's timeline: one row per entry with its ID, bars along a time axis coloured
// by status, the time last seen online and the online time in the stretch shown; hovering a bar
// shows its status, start, end and duration. The wheel zooms around the pointer, dragging pans,
// a double-click returns to the chosen range. Drawn with QPainter; words follow the current
// language.

#include "history/Timeline.h"

struct TAxisTick;

#include <QColor>
#include <QWidget>

#include <optional>
#include <vector>

class THistoryTimelineView : public QWidget {
    Q_OBJECT
public:
    explicit THistoryTimelineView(QWidget* parent = nullptr);

    // Shows `timeline` (kept by the caller while shown) over the range the user chose. A view
    // the user zoomed or panned stays where it is when `keepView`, otherwise it becomes `chosen`.
    void SetTimeline(const THistoryTimeline& timeline, TTimelineRange chosen, bool keepView);
    const std::vector<TTimelineRow>& Rows() const { return rows_; }
    // The stretch of time shown now, and the one chosen.
    TTimelineRange Range() const { return view_; }
    TTimelineRange ChosenRange() const { return chosen_; }

    struct TAxisLabel {
        int X = 0; // where its tick is drawn
        QString Text;
    };
    // The time axis's labels as drawn over the stretch shown, left to right.
    std::vector<TAxisLabel> AxisLabels() const;

    // The bar of a row, in widget coordinates.
    QRect BarRect(int row) const;
    // The x coordinate of a time within the stretch shown.
    int XOf(qint64 timeMs) const;
    // What hovering shows at a point: a bar's status and times, or over a name cut short the
    // whole name; empty elsewhere.
    QString ToolTipAt(const QPoint& point) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // The colour of a status code's bars; kHistoryNotChecked for the gaps.
    static QColor StatusColour(int code);
    // The word of a status code in the current language, "not checked" for the gaps.
    static QString StatusWord(int code);

    // The shortest stretch the wheel zooms in to.
    static constexpr qint64 kMinViewMs = 5LL * 60 * 1000;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    struct TColumns {
        int label = 0;  // left edge of the bars
        int bars = 0;   // width of the bars
        int seen = 0;   // left edge of "last seen online"
        int online = 0; // left edge of "online in range"
    };
    struct TDrag {
        int StartX;
        TTimelineRange StartView;
    };

    TColumns Columns() const;
    int RowTop(int row) const;
    int RowAt(int y) const;
    qint64 TimeAt(int x) const;
    bool OverBars(int x) const;
    QString ElidedLabel(const TTimelineRow& row, const TColumns& columns) const;
    QString BarToolTip(int row, int x) const;
    std::vector<TAxisTick> Ticks() const;
    // The whole history and the chosen range: as far as zooming out and panning go.
    TTimelineRange Bounds() const;
    // Shows `view`, moved inside the bounds and no shorter than kMinViewMs.
    void ShowView(TTimelineRange view);
    void PaintLegend(QPainter& painter) const;
    void PaintHeader(QPainter& painter, const TColumns& columns) const;
    void PaintRow(QPainter& painter, const TColumns& columns, int index) const;
    void PaintBars(QPainter& painter, const TTimelineRow& row, const QRect& bar) const;
    QString LastSeenText(const TTimelineRow& row) const;

    const THistoryTimeline* timeline_ = nullptr;
    std::vector<TTimelineRow> rows_; // cut to view_
    TTimelineRange chosen_;
    TTimelineRange view_;
    std::optional<TDrag> drag_;
};
