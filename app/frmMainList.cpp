// The watched list and the one-off check of the main window.
#include "app/frmMain.h"

#include "app/frmEdit.h"
#include "monitor/Presence.h"
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

void SetTexts(QTreeWidgetItem* row, const TRecord& entry) {
    QString word;
    if (entry.LastStatus == bsNotScanned && entry.CheckUnderWay())
        word = Lang("CHECKING...", "VERIFIC..."); // the first answer is awaited
    else
        StatusText(entry.LastStatus, word);
    row->setText(0, entry.ID);
    row->setText(1, QString::number(entry.Interval));
    row->setText(2, LastCheckText(entry.LastCheck));
    row->setText(3, word);
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

void TzentriloMF::AddBuddy(const QString& text, int minutes) {
    TRecord* entry = objs_->Add(text, minutes);
    auto* row = new QTreeWidgetItem(lista);
    for (int column = 1; column < 4; ++column)
        row->setTextAlignment(column, Qt::AlignCenter);
    row->setData(0, Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(entry)));
    entry->SetEnabled(true); // the first check runs now and fills the row
}

void TzentriloMF::RefreshRow(TRecord* entry) {
    for (int i = 0; i < lista->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = lista->topLevelItem(i);
        if (EntryOf(row) == entry)
            SetTexts(row, *entry);
    }
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
        ShowWarning(Lang("You can add up to %1 Yahoo! IDs to be checked periodically.\r\n\r\n"
                         "Limit reached.",
                         "Poţi adăuga până la %1 ID-uri Yahoo! care vor fi verificate "
                         "periodic.\r\n\r\nLimită atinsă.")
                        .arg(BuddyLimit));
        return;
    }
    if (editForm_ == nullptr || editForm_->ShowEditDialog(nullptr) != kModalOk)
        return;
    AddBuddy(editForm_->edNume->text(), ParseInterval(editForm_->cbInterval->currentText(), 1));
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
    entry->SetID(editForm_->edNume->text());
    entry->SetInterval(ParseInterval(editForm_->cbInterval->currentText(), 1));
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
        ShowWarning(Lang("Please enter a valid Yahoo! ID!", "Te rog introdu un ID Yahoo! valid!"));
        edBuddyID->setFocus();
        return;
    }
    lbStatus->setText(CheckingText(UseEnglish));
    SetStatusColour(palette().color(QPalette::WindowText));
    btnCheckBuddy->setEnabled(false);
    oneOff_ = worker_->Submit([this, query = OneOffCheck(typed),
                               trimmed](const TIdDeadline& cancel) -> INetWorker::TApply {
        return [this, code = query.Run(&cancel).code, trimmed] { ShowOneOffResult(trimmed, code); };
    });
}

void TzentriloMF::ShowOneOffResult(const QString& trimmed, TBuddyStatus code) {
    QString word;
    StatusText(code, word);
    lbStatus->setText(Lang("%1 is %2", "%1 este %2").arg(trimmed, word));
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

void TzentriloMF::edBuddyIDKeyUp() {
    if (!ClearStatusTimer->isActive())
        ClearStatusTimer->start();
}

void TzentriloMF::ClearStatusTimerTimer() {
    edBuddyID->clear();
    lbStatus->clear();
    ClearStatusTimer->stop();
}
