#include "app/frmHistory.h"

#include "app/frmHistoryTimeline.h"
#include "history/HistoryCsv.h"
#include "monitor/BuddyStatus.h"
#include "shell/Language.h"
#include "shell/uDialogs.h"
#include "shell/uStrUtils.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollArea>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr qint64 kHourMs = 3600LL * 1000;

// How far back each "Last ..." choice reaches, in the order of the choices.
constexpr qint64 kLastHours[] = {1, 6, 24, 7 * 24, 30 * 24};

// Romanian puts "de" between a count and its noun when the count's last two digits are not 1 to
// 19.
bool RomanianTakesDe(qint64 count) {
    const qint64 lastTwo = count % 100;
    return count != 0 && (lastTwo == 0 || lastTwo >= 20);
}

// The retention box's unit after a count of days, in the language in force.
QString DaysSuffix(int days) {
    if (days == 1)
        return Lang(" day", " zi");
    return Lang(" days", RomanianTakesDe(days) ? " de zile" : " zile");
}

// A count with its thousands set apart by spaces: "1 234".
QString GroupedCount(qint64 count) {
    QString digits = QString::number(count);
    for (int at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, QLatin1Char(' '));
    return digits;
}

QString SavedText(qint64 count, const QString& file) {
    if (count == 1)
        return Lang("Saved 1 change to %1", "S-a salvat o schimbare în %1").arg(file);
    return Lang("Saved %1 changes to %2", RomanianTakesDe(count)
                                              ? "S-au salvat %1 de schimbări în %2"
                                              : "S-au salvat %1 schimbări în %2")
        .arg(GroupedCount(count), file);
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
    for (int i = rcLastHour; i <= rcDates; ++i)
        cbRange->addItem(QString());
    cbRange->setCurrentIndex(rcLast24Hours);
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
    lbStatus = new QLabel(this);
    lbStatus->setTextFormat(Qt::PlainText); // a file's name or a system's words
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
    layout->addWidget(lbStatus);
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
    cbRange->setItemText(rcLastHour, Lang("Last hour", "Ultima oră"));
    cbRange->setItemText(rcLast6Hours, Lang("Last 6 hours", "Ultimele 6 ore"));
    cbRange->setItemText(rcLast24Hours, Lang("Last 24 hours", "Ultimele 24 de ore"));
    cbRange->setItemText(rcLast7Days, Lang("Last 7 days", "Ultimele 7 zile"));
    cbRange->setItemText(rcLast30Days, Lang("Last 30 days", "Ultimele 30 de zile"));
    cbRange->setItemText(rcDates, Lang("Dates…", "Între date…"));
    lbFrom->setText(Lang("from", "de la"));
    lbTo->setText(Lang("to", "până la"));
    lbRetention->setText(Lang("Keep the history for", "Păstrează istoricul"));
    edRetention->setSuffix(DaysSuffix(edRetention->value()));
    lbRetentionNote->setText(Lang("(older changes are removed at the next start)",
                                  "(schimbările mai vechi se șterg la următoarea pornire)"));
    btnExport->setText(Lang("Export CSV", "Exportă CSV"));
    btnClose->setText(Lang("Close", "Închide"));
    lbStatus->setText(status_ ? status_() : QString());
    Timeline->update();
}

QDateTime THistoryForm::CurrentTime() const {
    return Now ? Now() : QDateTime::currentDateTime();
}

TTimelineRange THistoryForm::Range() const {
    const qint64 now = CurrentTime().toMSecsSinceEpoch();
    const int choice = cbRange->currentIndex();
    if (choice == rcDates) // whole local days, both ends included
        return {edFrom->date().startOfDay().toMSecsSinceEpoch(),
                edTo->date().addDays(1).startOfDay().toMSecsSinceEpoch()};
    return {now - kLastHours[std::clamp(choice, 0, int(std::size(kLastHours)) - 1)] * kHourMs, now};
}

// The whole store at the first read; after it, a check changes only the running program's spans
// and may add changes, so the rest stays as read.
void THistoryForm::ReadNew() {
    const std::vector<THistorySpan> spans = loaded_ ? store_.RunSpans() : store_.Spans();
    loaded_ = true;
    timeline_.Update(store_.ChangesAfter(lastChangeRow_), spans, CurrentTime().toMSecsSinceEpoch());
}

void THistoryForm::Refresh() {
    ReadNew();
    ShowRange(true);
}

void THistoryForm::ShowRange(bool keepView) {
    Timeline->SetTimeline(timeline_, Range(), keepView);
}

void THistoryForm::ShowChosenRange() {
    ReadNew();
    ShowRange(false);
}

void THistoryForm::RefreshForDates() {
    if (cbRange->currentIndex() == rcDates)
        ShowChosenRange();
}

void THistoryForm::showEvent(QShowEvent* event) {
    ShowChosenRange();
    QWidget::showEvent(event);
}

void THistoryForm::cbRangeChange() {
    const bool dates = cbRange->currentIndex() == rcDates;
    edFrom->setEnabled(dates);
    edTo->setEnabled(dates);
    ShowChosenRange();
}

void THistoryForm::ShowStatus(std::function<QString()> text) {
    status_ = std::move(text);
    lbStatus->setText(status_());
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
    const std::vector<THistoryChange> changes = store_.Changes(range.FromMs, range.ToMs);
    const QByteArray csv = HistoryCsv(changes, EnglishStatusWord);
    const QString name = QFileInfo(path).fileName();
    lbStatus->setToolTip(PlainToolTip(QDir::toNativeSeparators(path)));
    // Written whole or not at all: a failed export never leaves half a file behind.
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(csv) == csv.size() && file.commit()) {
        const auto count = static_cast<qint64>(changes.size());
        ShowStatus([count, name] { return SavedText(count, name); });
        return;
    }
    const QString reason = file.errorString();
    ShowStatus([name, reason] {
        return Lang("Could not save %1: %2", "Nu s-a putut salva %1: %2").arg(name, reason);
    });
    ShowWarning(Lang("Could not write %1:\n%2", "Nu s-a putut scrie %1:\n%2")
                    .arg(QDir::toNativeSeparators(path), reason));
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
