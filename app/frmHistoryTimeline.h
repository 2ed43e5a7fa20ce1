#pragma once
// The history window's timeline: one row per entry with its ID, bars along a time axis coloured
// by status, the time last seen online and the online time in the range; hovering a bar shows
// its status, start, end and duration. Drawn with QPainter; words follow the current language.

#include "history/Timeline.h"

#include <QColor>
#include <QWidget>

#include <array>
#include <vector>

class THistoryTimelineView : public QWidget {
    Q_OBJECT
public:
    explicit THistoryTimelineView(QWidget* parent = nullptr);

    void SetRows(std::vector<TTimelineRow> rows, TTimelineRange range, qint64 nowMs);
    const std::vector<TTimelineRow>& Rows() const { return rows_; }
    TTimelineRange Range() const { return range_; }

    // The bar of a row, in widget coordinates.
    QRect BarRect(int row) const;
    // The x coordinate of a time within the range.
    int XOf(qint64 timeMs) const;
    // What hovering shows at a point; empty off the bars.
    QString ToolTipAt(const QPoint& point) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // The colour of a status code's bars; kHistoryNotChecked for the gaps.
    static QColor StatusColour(int code);
    // The word of a status code in the current language, "not checked" for the gaps.
    static QString StatusWord(int code);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    struct TColumns {
        int label = 0;  // left edge of the bars
        int bars = 0;   // width of the bars
        int seen = 0;   // left edge of "last seen online"
        int online = 0; // left edge of "online in range"
    };

    TColumns Columns() const;
    int RowTop(int row) const;
    int RowAt(int y) const;
    qint64 TimeAt(int x) const;
    void PaintLegend(QPainter& painter) const;
    void PaintHeader(QPainter& painter, const TColumns& columns) const;
    void PaintRow(QPainter& painter, const TColumns& columns, int index) const;
    void PaintBars(QPainter& painter, const TTimelineRow& row, const QRect& bar) const;
    QString LastSeenText(const TTimelineRow& row) const;

    std::vector<TTimelineRow> rows_;
    TTimelineRange range_;
    qint64 nowMs_ = 0;
};
