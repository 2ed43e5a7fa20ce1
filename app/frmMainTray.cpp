// The main window's tray: the picture and tooltip that follow the list, and the menu that acts
// on it (the watched contacts, the recent changes, a pause of the notifications).
#include "app/frmMain.h"

#include "app/TrayPicture.h"
#include "shell/Language.h"
#include "shell/uDialogs.h"

#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>

#include <algorithm>

namespace {

// IDs and names from the network as typed: an "&" would otherwise mark a shortcut.
QString MenuText(QString text) {
    return text.replace(QLatin1Char('&'), QLatin1String("&&"));
}

QAction* CheckableAction(QMenu* menu) {
    QAction* action = menu->addAction(QString());
    action->setCheckable(true);
    return action;
}

} // namespace

void TzentriloMF::CreateTrayMenu() {
    PopupMenu1 = new QMenu(this);
    Show1 = PopupMenu1->addAction(QString());
    ContactsMenu = PopupMenu1->addMenu(QString());
    CheckAll1 = PopupMenu1->addAction(QString());
    RecentMenu = PopupMenu1->addMenu(QString());
    PauseMenu = PopupMenu1->addMenu(QString());
    PauseMenu->menuAction()->setCheckable(true);
    PauseHour1 = CheckableAction(PauseMenu);
    PauseOn1 = CheckableAction(PauseMenu);
    PopupMenu1->addSeparator();
    History1 = PopupMenu1->addAction(QString());
    Sources1 = PopupMenu1->addAction(QString());
    PopupMenu1->addSeparator();
    Exit1 = PopupMenu1->addAction(QString());
}

void TzentriloMF::ConnectTrayMenu() {
    connect(Show1, &QAction::triggered, this, [this] { Show1Click(); });
    connect(CheckAll1, &QAction::triggered, this, [this] { btnCheckAllClick(); });
    connect(PauseHour1, &QAction::triggered, this, [this] { PauseHour1Click(); });
    connect(PauseOn1, &QAction::triggered, this, [this] { PauseOn1Click(); });
    connect(History1, &QAction::triggered, this, [this] { History1Click(); });
    connect(Sources1, &QAction::triggered, this, [this] { Sources1Click(); });
    connect(Exit1, &QAction::triggered, this, [this] { Exit1Click(); });
    connect(ContactsMenu, &QMenu::aboutToShow, this, [this] { FillContactsMenu(); });
    connect(RecentMenu, &QMenu::aboutToShow, this, [this] { FillRecentMenu(); });
    connect(PopupMenu1, &QMenu::aboutToShow, this, [this] {
        CheckAll1->setEnabled(btnCheckAll->isEnabled()); // the button's rules
        ContactsMenu->menuAction()->setEnabled(!objs_->List.empty());
        RecentMenu->menuAction()->setEnabled(!recent_.Items().empty());
        ShowPauseChecks();
    });
    connect(PauseMenu, &QMenu::aboutToShow, this, [this] { ShowPauseChecks(); });
    desktopTray_->moreClicked = [this] { ShowRecentChanges(); };
}

// After the buttons' texts, which the menu repeats.
void TzentriloMF::ShowTrayMenuTexts(bool english) {
    Show1->setText(Lang("Show", "Arată", english));
    ContactsMenu->setTitle(Lang("Contacts", "Contacte", english));
    CheckAll1->setText(Lang("Check All Now", "Verifică toate acum", english));
    RecentMenu->setTitle(Lang("Recent changes", "Schimbări recente", english));
    PauseMenu->setTitle(Lang("Pause notifications", "Întrerupe notificările", english));
    PauseHour1->setText(Lang("for 1 hour", "pentru o oră", english));
    PauseOn1->setText(Lang("until I turn them back on", "până le repornesc", english));
    History1->setText(btnHistory->text());
    Sources1->setText(btnSources->text());
    Exit1->setText(btnExit->text());
}

// After each applied result, each change of the list, the language and each save.
void TzentriloMF::UpdateTray() {
    TTraySummary summary = SummarizeList(objs_->List, sources_);
    if (!saveFailure_.isEmpty())
        summary.Lines << Lang("Your list is not saved", "Lista ta nu este salvată");
    trayIcon_.SetStateLines(summary.Lines);
    if (trayState_ == summary.State)
        return;
    trayState_ = summary.State;
    desktopTray_->SetIcon(TrayPictureOf(summary.State));
}

void TzentriloMF::FillContactsMenu() {
    ContactsMenu->clear();
    for (const TRecord* entry : objs_->List) {
        QString word;
        StatusText(entry->LastStatus, word);
        QString text = EntryLabel(*entry, sources_);
        if (!word.isEmpty())
            text += QStringLiteral(" — ") + word;
        connect(ContactsMenu->addAction(MenuText(text)), &QAction::triggered, this,
                [this, entry] { ContactChosen(entry); });
    }
}

// An online contact opens what its balloon's click opens; any other shows its row.
void TzentriloMF::ContactChosen(const TRecord* entry) {
    if (std::find(objs_->List.begin(), objs_->List.end(), entry) == objs_->List.end())
        return; // deleted while the menu was open
    const bool online = entry->LastStatus == bsOnline || entry->LastStatus == bsInvisible;
    if (const std::function<void()> action = online ? OnlineAction(*entry, &sources_) : nullptr) {
        action();
        return;
    }
    ShowFromTray();
    for (int i = 0; i < lista->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = lista->topLevelItem(i);
        if (EntryOf(row) != entry)
            continue;
        lista->clearSelection();
        lista->setCurrentItem(row);
        row->setSelected(true);
        lista->scrollToItem(row);
    }
}

void TzentriloMF::FillRecentMenu() {
    RecentMenu->clear();
    for (const TRecentChange& change : recent_.Items()) {
        QAction* item = RecentMenu->addAction(MenuText(TRecentChanges::Text(change)));
        connect(item, &QAction::triggered, this, [action = change.action] {
            if (action)
                action();
        });
    }
}

void TzentriloMF::ShowRecentChanges() {
    RecentMenu->popup(QCursor::pos());
}

void TzentriloMF::ShowPauseChecks() {
    const QDateTime now = ContextNow(context_);
    PauseHour1->setChecked(pause_.PausedForHour(now));
    PauseOn1->setChecked(pause_.PausedUntilResumed());
    PauseMenu->menuAction()->setChecked(pause_.Paused(now));
}

// Choosing the pause in force ends it; choosing the other replaces it.
void TzentriloMF::PauseHour1Click() {
    const QDateTime now = ContextNow(context_);
    if (pause_.PausedForHour(now))
        pause_.Resume();
    else
        pause_.PauseForHour(now);
    ShowPauseChecks();
}

void TzentriloMF::PauseOn1Click() {
    if (pause_.PausedUntilResumed())
        pause_.Resume();
    else
        pause_.PauseUntilResumed();
    ShowPauseChecks();
}

// The first failure of a run is said at once; the tooltip says it until a save succeeds. At
// exit there is nobody left to tell.
void TzentriloMF::NoteSave(bool saved, const QString& reason) {
    saveFailure_ = saved ? QString() : reason;
    if (!saved && !saveFailureSaid_ && !destroyed_) {
        saveFailureSaid_ = true;
        ShowWarning(Lang("Your list could not be saved: %1. Changes will be lost when %2 ends.",
                         "Lista ta nu a putut fi salvată: %1. Modificările se vor pierde când %2 "
                         "se închide.")
                        .arg(reason, AppTitle()));
    }
    UpdateTray();
}
