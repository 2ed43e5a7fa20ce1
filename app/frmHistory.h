#pragma once
// The presence history window: a range to choose, the timeline of every ID with history, the
// retention setting, and the CSV export of the range's changes.

#include "history/HistoryStore.h"
#include "history/Timeline.h"

#include <QDateTime>
#include <QWidget>

#include <functional>

class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QScrollArea;
class QSpinBox;
class THistoryTimelineView;

class THistoryForm : public QWidget {
    Q_OBJECT
public:
    // Range choices, in the order of cbRange.
    enum TRangeChoice {
        rcLastHour,
        rcLast6Hours,
        rcLast24Hours,
        rcLast7Days,
        rcLast30Days,
        rcDates
    };

    explicit THistoryForm(THistoryStore& store, QWidget* parent = nullptr);

    // Reads only what was recorded since the last read (all of it the first time) and redraws,
    // keeping a zoomed or panned view where it is; showing the window and choosing a range do it
    // too, and go back to the chosen range.
    void Refresh();
    // Captions in the language in force (UseEnglish).
    void ApplyLanguage();
    TTimelineRange Range() const;

    QLabel* lbRange;
    QComboBox* cbRange;
    QLabel* lbFrom;
    QDateEdit* edFrom;
    QLabel* lbTo;
    QDateEdit* edTo;
    QScrollArea* sbTimeline;
    THistoryTimelineView* Timeline;
    QLabel* lbRetention;
    QSpinBox* edRetention;
    QLabel* lbRetentionNote;
    QPushButton* btnExport;
    QPushButton* btnClose;
    QLabel* lbStatus; // what the last export did

    void cbRangeChange();
    void edRetentionChange();
    void btnExportClick();

    // The file the user picks for the export, from a suggested path; empty: cancelled. Tests
    // replace the file dialog here.
    std::function<QString(const QString& suggested)> AskExportPath;
    // The current time; empty: the system clock.
    std::function<QDateTime()> Now;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void CreateControls();
    void ArrangeControls();
    void ConnectHandlers();
    void ReadNew();
    void RefreshForDates();
    void ShowRange(bool keepView);
    void ShowChosenRange();
    void ShowStatus(std::function<QString()> text);
    QDateTime CurrentTime() const;
    QString PickExportPath();

    THistoryStore& store_;
    THistoryTimeline timeline_;       // all that was read from the store
    qint64 lastChangeRow_ = 0;        // the latest change read
    bool loaded_ = false;             // the whole store was read once
    std::function<QString()> status_; // the status line's text in the language in force
};

// A warning of the store in the language in force, for the program to show.
QString HistoryWarningText(const THistoryWarning& warning);
