#include "app/frmHistory.h"

#include "app/frmHistoryTimeline.h"
#include "history/HistoryCsv.h"
#include "monitor/BuddyStatus.h"
#include "shell/Language.h"
#include "shell/uDialogs.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollArea>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

constexpr qint64 kDayMs = 24LL * 3600 * 1000;

// The retention box's unit after a count of days, in the language in force. Romanian puts "de"
// before a count whose last two digits are not 1 to 19.
QString DaysSuffix(int days) {
    const int lastTwo = days % 100;
    const bool withDe = days != 0 && (lastTwo == 0 || lastTwo >= 20);
    if (days == 1)
        return Lang(" day", " zi");
    return Lang(" days", withDe ? " de zile" : " zile");
}

} // namespace

THistoryForm::THistoryForm(THistoryStore& store, QWidget* parent)
    : QWidget(parent, Qt::Window), store_(store) {
    CreateControls();
    ArrangeControls();
    ApplyLanguage();
    ConnectHandlers();
    resize(960, 420);
}

void THistoryForm::CreateControls() {
    lbRange = new QLabel(this);
    cbRange = new QComboBox(this);
    cbRange->setSizeAdjustPolicy(QComboBox::AdjustToContents); // both languages' wordings
    for (int i = rcLast24Hours; i <= rcDates; ++i)
        cbRange->addItem(QString());
    lbFrom = new QLabel(this);
    edFrom = new QDateEdit(this);
    lbTo = new QLabel(this);
    edTo = new QDateEdit(this);
    for (QDateEdit* edit : {edFrom, edTo}) {
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        edit->setEnabled(false);
    }
    const QDate today = CurrentTime().toLocalTime().date();
    edFrom->setDate(today.addDays(-6));
    edTo->setDate(today);
    edTo->setMinimumDate(edFrom->date());
    sbTimeline = new QScrollArea(this);
    Timeline = new THistoryTimelineView(sbTimeline);
    sbTimeline->setWidget(Timeline);
    sbTimeline->setWidgetResizable(true);
    lbRetention = new QLabel(this);
    edRetention = new QSpinBox(this);
    edRetention->setRange(kMinRetentionDays, kMaxRetentionDays);
    edRetention->setValue(store_.RetentionDays());
    // Typing "365" must not pass through 3 and 36 days: take the value once it is complete.
    edRetention->setKeyboardTracking(false);
    lbRetentionNote = new QLabel(this);
    btnExport = new QPushButton(this);
    btnClose = new QPushButton(this);
}

void THistoryForm::ArrangeControls() {
    auto* top = new QHBoxLayout;
    for (QWidget* control :
         std::initializer_list<QWidget*>{lbRange, cbRange, lbFrom, edFrom, lbTo, edTo})
        top->addWidget(control);
    top->addStretch();
    auto* bottom = new QHBoxLayout;
    for (QWidget* control :
         std::initializer_list<QWidget*>{lbRetention, edRetention, lbRetentionNote})
        bottom->addWidget(control);
    bottom->addStretch();
    bottom->addWidget(btnExport);
    bottom->addWidget(btnClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(sbTimeline, 1);
    layout->addLayout(bottom);
}

void THistoryForm::ConnectHandlers() {
    connect(cbRange, &QComboBox::currentIndexChanged, this, [this] { cbRangeChange(); });
    connect(edFrom, &QDateEdit::dateChanged, this, [this](QDate date) {
        edTo->setMinimumDate(date);
        RefreshForDates();
    });
    connect(edTo, &QDateEdit::dateChanged, this, [this] { RefreshForDates(); });
    connect(edRetention, &QSpinBox::valueChanged, this, [this] { edRetentionChange(); });
    connect(btnExport, &QPushButton::clicked, this, [this] { btnExportClick(); });
    connect(btnClose, &QPushButton::clicked, this, &QWidget::close);
}

void THistoryForm::ApplyLanguage() {
    setWindowTitle(Lang("Presence history", "Istoricul prezenței"));
    lbRange->setText(Lang("Show:", "Arată:"));
    cbRange->setItemText(rcLast24Hours, Lang("Last 24 hours", "Ultimele 24 de ore"));
    cbRange->setItemText(rcLast7Days, Lang("Last 7 days", "Ultimele 7 zile"));
    cbRange->setItemText(rcLast30Days, Lang("Last 30 days", "Ultimele 30 de zile"));
    cbRange->setItemText(rcDates, Lang("Between dates", "Între date"));
    lbFrom->setText(Lang("from", "de la"));
    lbTo->setText(Lang("to", "până la"));
    lbRetention->setText(Lang("Keep the history for", "Păstrează istoricul"));
    edRetention->setSuffix(DaysSuffix(edRetention->value()));
    lbRetentionNote->setText(Lang("(older changes are removed at the next start)",
                                  "(schimbările mai vechi se șterg la următoarea pornire)"));
    btnExport->setText(Lang("Export CSV", "Exportă CSV"));
    btnClose->setText(Lang("Close", "Închide"));
    Timeline->update();
}

QDateTime THistoryForm::CurrentTime() const {
    return Now ? Now() : QDateTime::currentDateTime();
}

TTimelineRange THistoryForm::Range() const {
    const qint64 now = CurrentTime().toMSecsSinceEpoch();
    switch (cbRange->currentIndex()) {
    case rcLast7Days:
        return {now - 7 * kDayMs, now};
    case rcLast30Days:
        return {now - 30 * kDayMs, now};
    case rcDates: // whole local days, both ends included
        return {edFrom->date().startOfDay().toMSecsSinceEpoch(),
                edTo->date().addDays(1).startOfDay().toMSecsSinceEpoch()};
    default:
        return {now - kDayMs, now};
    }
}

// The whole store at the first read; after it, a check changes only the running program's spans
// and may add changes, so the rest stays as read.
void THistoryForm::Refresh() {
    const std::vector<THistorySpan> spans = loaded_ ? store_.RunSpans() : store_.Spans();
    loaded_ = true;
    timeline_.Update(store_.ChangesAfter(lastChangeRow_), spans, CurrentTime().toMSecsSinceEpoch());
    ShowRange();
}

void THistoryForm::ShowRange() {
    const TTimelineRange range = Range();
    Timeline->SetRows(timeline_.Rows(range), range, timeline_.NowMs());
}

void THistoryForm::RefreshForDates() {
    if (cbRange->currentIndex() == rcDates)
        Refresh();
}

void THistoryForm::showEvent(QShowEvent* event) {
    Refresh();
    QWidget::showEvent(event);
}

void THistoryForm::cbRangeChange() {
    const bool dates = cbRange->currentIndex() == rcDates;
    edFrom->setEnabled(dates);
    edTo->setEnabled(dates);
    Refresh();
}

void THistoryForm::edRetentionChange() {
    edRetention->setSuffix(DaysSuffix(edRetention->value()));
    store_.SetRetentionDays(edRetention->value());
}

QString THistoryForm::PickExportPath() {
    const QString suggested = QDir::homePath() + QStringLiteral("/zentrilo-history.csv");
    if (AskExportPath)
        return AskExportPath(suggested);
    return QFileDialog::getSaveFileName(this, Lang("Export CSV", "Exportă CSV"), suggested,
                                        Lang("CSV files (*.csv)", "Fișiere CSV (*.csv)"));
}

void THistoryForm::btnExportClick() {
    const QString path = PickExportPath();
    if (path.isEmpty())
        return;
    const TTimelineRange range = Range();
    const QByteArray csv = HistoryCsv(store_.Changes(range.FromMs, range.ToMs), EnglishStatusWord);
    // Written whole or not at all: a failed export never leaves half a file behind.
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(csv) == csv.size() && file.commit())
        return;
    ShowWarning(Lang("Could not write %1:\n%2", "Nu s-a putut scrie %1:\n%2")
                    .arg(QDir::toNativeSeparators(path), file.errorString()));
}

QString HistoryWarningText(const THistoryWarning& warning) {
    if (warning.Kind == THistoryWarningKind::Replaced)
        return Lang("The presence history was damaged. It was moved to %1 and a new history was "
                    "started.",
                    "Istoricul prezenței era deteriorat. A fost mutat în %1 și s-a început un "
                    "istoric nou.")
            .arg(QDir::toNativeSeparators(warning.Detail));
    return Lang("Presence changes cannot be saved to the history (%1). New changes are lost until "
                "this is fixed.",
                "Schimbările de prezență nu pot fi salvate în istoric (%1). Schimbările noi se "
                "pierd "
                "până când problema este rezolvată.")
        .arg(warning.Detail);
}
