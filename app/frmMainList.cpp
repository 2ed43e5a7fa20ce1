// The watched list and the one-off check of the main window.
#include "app/frmMain.h"

#include "app/ListRow.h"
#include "app/SourceChoice.h"
#include "app/frmEdit.h"
#include "history/HistoryStore.h"
#include "monitor/FailureText.h"
#include "monitor/IdCaption.h"
#include "monitor/SourceQuery.h"
#include "monitor/StatusSince.h"
#include "remote/RemoteSettings.h"
#include "shell/IntegerText.h"
#include "shell/Language.h"
#include "shell/uDialogs.h"
#include "shell/uStrUtils.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>

namespace {

constexpr int kModalOk = 1;

// The locale's long time form without the time-zone name, as a desktop clock shows it.
QString LongTimeFormat(const QLocale& locale) {
    static const QRegularExpression zone(QStringLiteral("\\s*\\bt+\\b"));
    return locale.timeFormat(QLocale::LongFormat).remove(zone).trimmed();
}

QString LastCheckText(const QDateTime& when) {
    if (when.isNull())
        return Lang("never", "niciodată");
    const QLocale locale;
    QString text = locale.toString(when.date(), QLocale::ShortFormat);
    if (when.time() != QTime(0, 0))
        text += QLatin1Char(' ') + locale.toString(when.time(), LongTimeFormat(locale));
    return text;
}

QString NothingSelected() {
    return Lang("Nothing selected!", "Nimic selectat!");
}

// Why the entry's status is ERROR, in the language in force; empty when it is not.
QString ReasonOf(const TRecord& entry) {
    return entry.LastStatus == bsError ? EntryFailureReason(entry) : QString();
}

// `source`: the name of the entry's source, empty for the program's own service. The reason of
// an ERROR is worded here, so that it follows the language.
void SetTexts(QTreeWidgetItem* row, const TRecord& entry, const QString& source) {
    QString word;
    if (entry.LastStatus == bsNotScanned && entry.CheckUnderWay())
        word = Lang("CHECKING...", "VERIFIC..."); // the first answer is awaited
    else
        StatusText(entry.LastStatus, word);
    const QString reason = ReasonOf(entry);
    if (!reason.isEmpty())
        word += QStringLiteral(": ") + reason;
    row->setText(0, source.isEmpty() ? entry.ID : QStringLiteral("%1 (%2)").arg(entry.ID, source));
    row->setText(1, QString::number(entry.Interval));
    row->setText(2, LastCheckText(entry.LastCheck));
    row->setText(3, word);
    for (int column = 0; column < TListRow::kStatusColumn; ++column)
        row->setToolTip(column, PlainToolTip(reason)); // the status column cuts a long one
}

} // namespace

TRecord* TzentriloMF::EntryOf(const QTreeWidgetItem* row) {
    if (row == nullptr)
        return nullptr;
    return reinterpret_cast<TRecord*>(row->data(0, Qt::UserRole).value<quintptr>());
}

QTreeWidgetItem* TzentriloMF::SelectedRow() const {
    const QList<QTreeWidgetItem*> selected = lista->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

void TzentriloMF::AddBuddy(const QString& text, int minutes, const QString& source,
                           const QString& notify) {
    TRecord* entry = objs_->Add(text, minutes, source);
    entry->Notify = notify; // before the first check, whose change it filters
    auto* row = new TListRow(lista, [this, entry] { return StatusTip(*entry); });
    for (int column = 1; column < 4; ++column)
        row->setTextAlignment(column, Qt::AlignCenter);
    row->setData(0, Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(entry)));
    entry->SetEnabled(true); // the first check runs now and fills the row
}

void TzentriloMF::RefreshRow(TRecord* entry) {
    for (int i = 0; i < lista->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = lista->topLevelItem(i);
        if (EntryOf(row) == entry)
            SetTexts(row, *entry, SourceLabel(*entry));
    }
    ShowIdCaptions(UseEnglish);
}

// The tooltip on a row's status, as of now: what the history says of it, then why it is ERROR.
QString TzentriloMF::StatusTip(const TRecord& entry) const {
    QStringList lines;
    if (history_) {
        const qint64 nowMs =
            (context_.now ? context_.now() : QDateTime::currentDateTime()).toMSecsSinceEpoch();
        lines << StatusSinceText(entry.LastStatus, history_->EntryRow(HistoryKeyOf(entry), nowMs),
                                 nowMs);
    }
    lines << ReasonOf(entry);
    lines.removeAll(QString());
    return lines.join(u'\n');
}

// The one-off check's label names the source chosen beside it; the list's first column names
// the own service's IDs only while every row is on it.
void TzentriloMF::ShowIdCaptions(bool english) {
    const QString caption = IdCaption(ChosenSource(*cbCheckSource), english);
    lbYahooID->setText(caption);
    const bool fits = lbYahooID->fontMetrics().horizontalAdvance(caption) <= lbYahooID->width();
    lbYahooID->setToolTip(fits ? QString() : PlainToolTip(caption));
    lista->headerItem()->setText(0, IdColumnCaption(ListSources(), english));
    WordListInfo(english);
}

// The source of each row as the list shows it; empty for the program's own service.
QStringList TzentriloMF::ListSources() const {
    QStringList sources;
    for (const TRecord* entry : objs_->List)
        sources << SourceLabel(*entry);
    return sources;
}

// The name of a source other than the program's own, as the catalogue writes it.
QString TzentriloMF::SourceLabel(const TRecord& entry) const {
    return SourceLabelOf(entry, sources_);
}

// The limit counts the slots that can be saved, so that no added entry is lost at exit. A check
// under way cannot be started twice; nothing is added or checked before the settings are read.
void TzentriloMF::UpdateButtons() {
    const int rows = lista->topLevelItemCount();
    const TRecord* selected = EntryOf(SelectedRow());
    btnAdd->setEnabled(settingsLoaded_ && rows < BuddySlotCount());
    btnEdit->setEnabled(selected != nullptr);
    btnDelete->setEnabled(selected != nullptr);
    btnCheck->setEnabled(selected != nullptr && !selected->CheckUnderWay());
    btnCheckAll->setEnabled(rows > 0 && !CheckAllUnderWay());
    btnCheckBuddy->setEnabled(settingsLoaded_ && !(oneOff_ && oneOff_->Pending()));
    btnHistory->setEnabled(history_ != nullptr);
    History1->setEnabled(history_ != nullptr);
    cbCheckSource->setEnabled(settingsLoaded_);
    btnSources->setEnabled(settingsLoaded_);
    Sources1->setEnabled(settingsLoaded_);
    ShowCheckCaptions(UseEnglish);
}

bool TzentriloMF::CheckAllUnderWay() const {
    return std::any_of(checkAllRound_.begin(), checkAllRound_.end(),
                       [](const TNetJobPtr& check) { return check->Pending(); });
}

void TzentriloMF::btnCheckClick() {
    if (TRecord* entry = EntryOf(SelectedRow()))
        entry->CheckStatus();
    else
        ShowWarning(NothingSelected());
}

void TzentriloMF::btnCheckAllClick() {
    CheckAllBuddies();
}

void TzentriloMF::CheckAllBuddies() {
    if (CheckAllUnderWay())
        return;
    objs_->CheckAll();
    // A check already under way when the round began counts as the round's.
    checkAllRound_.clear();
    for (const TRecord* entry : objs_->List) {
        if (entry->CheckUnderWay())
            checkAllRound_.push_back(entry->LatestCheck());
    }
    UpdateButtons();
}

void TzentriloMF::btnAddClick() {
    if (!settingsLoaded_) // the stored list comes first
        return;
    if (lista->topLevelItemCount() >= BuddySlotCount()) {
        ShowWarning(Lang("You can add up to %1 to be checked periodically.\r\n\r\nLimit reached.",
                         "Poţi adăuga până la %1 care vor fi verificate periodic.\r\n\r\nLimită "
                         "atinsă.")
                        .arg(IdCount(BuddyLimit, ListSources())));
        return;
    }
    if (editForm_ == nullptr || editForm_->ShowEditDialog(nullptr, AddSource()) != kModalOk)
        return;
    lastSourceUsed_ = editForm_->SourceName();
    AddBuddy(editForm_->edNume->text(), ParseInterval(editForm_->cbInterval->currentText(), 1),
             editForm_->SourceName(), editForm_->NotifyValue(QString()));
    UpdateButtons();
    SaveChanges();
}

void TzentriloMF::btnEditClick() {
    TRecord* entry = EntryOf(SelectedRow());
    if (entry == nullptr) {
        ShowWarning(NothingSelected());
        return;
    }
    if (editForm_ == nullptr || editForm_->ShowEditDialog(entry) != kModalOk)
        return;
    const THistoryKey before = HistoryKeyOf(*entry);
    lastSourceUsed_ = editForm_->SourceName();
    entry->SetID(editForm_->edNume->text());
    entry->SetSource(editForm_->SourceName()); // like a new ID: a check under way is dropped
    entry->SetInterval(ParseInterval(editForm_->cbInterval->currentText(), 1));
    entry->Notify = editForm_->NotifyValue(entry->Notify);
    if (HistoryKeyOf(*entry) != before)
        LeaveHistory(before);
    RefreshRow(entry);
    SaveChanges();
}

void TzentriloMF::btnDeleteClick() {
    if (SelectedRow() == nullptr) {
        ShowWarning(NothingSelected());
        return;
    }
    if (AskYesNoWarning(Lang("Are you sure?", "Eşti sigur(ă)?"), 1) != IDYES)
        return;
    // Looked up after the question: checks may run while the box is open.
    QTreeWidgetItem* row = SelectedRow();
    if (row == nullptr)
        return;
    TRecord* entry = EntryOf(row);
    objs_->Remove(entry);
    LeaveHistory(HistoryKeyOf(*entry));
    delete entry;
    delete row;
    ShowIdCaptions(UseEnglish); // the row may have been the last on another source
    UpdateButtons();
    SaveChanges();
}

void TzentriloMF::listaKeyDown(int key) {
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        btnEditClick();
        break;
    case Qt::Key_Insert:
        btnAddClick();
        break;
    case Qt::Key_Delete:
        btnDeleteClick();
        break;
    default:
        break;
    }
}

void TzentriloMF::listaSelectItem() {
    UpdateButtons();
}

void TzentriloMF::btnCheckBuddyClick() {
    if (!btnCheckBuddy->isEnabled()) // before the settings are read, or a check is under way
        return;
    ClearStatusTimer->stop();
    const QString typed = edBuddyID->text();
    const QString trimmed = TrimControl(typed);
    if (trimmed.isEmpty()) {
        ShowWarning(BlankIdWarning(ChosenSource(*cbCheckSource)));
        edBuddyID->setFocus();
        return;
    }
    lbStatus->setText(CheckingText(UseEnglish));
    lbStatus->setToolTip(QString());
    SetStatusColour(palette().color(QPalette::WindowText));
    btnCheckBuddy->setEnabled(false);
    // The own service gets the ID exactly as typed; a source's address gets it without blanks.
    const QString source = ChosenSource(*cbCheckSource);
    const TSourceQuery query =
        TSourceQuery::OneOff(sources_, source, source.isEmpty() ? typed : trimmed);
    oneOff_ = worker_->SubmitForUser(
        [this, query, trimmed, source](const TIdDeadline& cancel) -> INetWorker::TApply {
            return [this, outcome = query.Run(&cancel), trimmed, source] {
                ShowOneOffResult(trimmed, source, outcome);
            };
        });
}

void TzentriloMF::ShowOneOffResult(const QString& trimmed, const QString& source,
                                   const TSourceOutcome& outcome) {
    const TBuddyStatus code = outcome.Status;
    QString word;
    StatusText(code, word);
    lbStatus->setText(source.isEmpty()
                          ? Lang("%1 is %2", "%1 este %2").arg(trimmed, word)
                          : Lang("%1 is %2 on %3", "%1 este %2 pe %3").arg(trimmed, word, source));
    lbStatus->setToolTip(PlainToolTip(FailureText(outcome))); // two lines hold no reason
    if (code == bsOnline || code == bsInvisible)
        SetStatusColour(QColor(0, 128, 0));
    else if (code == bsOffline || code == bsError)
        SetStatusColour(QColor(255, 0, 0));
    else
        SetStatusColour(palette().color(QPalette::WindowText));
    ClearStatusTimer->start();
    UpdateButtons();
}

void TzentriloMF::SetStatusColour(const QColor& colour) {
    QPalette labelPalette = lbStatus->palette();
    labelPalette.setColor(QPalette::WindowText, colour);
    lbStatus->setPalette(labelPalette);
}

void TzentriloMF::edBuddyIDKeyDown(int key) {
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        btnCheckBuddyClick();
    ClearStatusTimer->stop();
}

// The countdown of a check under way starts when its result is shown, not at a key's release.
void TzentriloMF::edBuddyIDKeyUp() {
    if (!ClearStatusTimer->isActive() && !(oneOff_ && oneOff_->Pending()))
        ClearStatusTimer->start();
}

void TzentriloMF::ClearStatusTimerTimer() {
    edBuddyID->clear();
    lbStatus->clear();
    lbStatus->setToolTip(QString());
    ClearStatusTimer->stop();
}
