// The tray of the main window: its picture and tooltip follow the list, its menu acts on the
// contacts and the recent changes and pauses the notifications; each contact's choice of
// balloons is stored; a failed save is said.
#include "frmMainFixture.h"

#include "app/TrayPicture.h"
#include "history/HistoryStore.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>

#include <limits>

using namespace Qt::StringLiterals;

namespace {

QStringList Texts(const QMenu* menu) {
    QStringList texts;
    for (const QAction* action : menu->actions())
        texts << action->text();
    return texts;
}

class MainWindowTrayTest : public MainWindowTest {
protected:
    QDateTime now; // the window's clock where a test sets it: it outlives the window
    // Entries with the given statuses, "alice" on the own service and the others on Lichess.
    void Watch(const std::vector<TBuddyStatus>& statuses) {
        const QString names[] = {u"alice"_s, u"bob"_s, u"carol"_s};
        for (std::size_t i = 0; i < statuses.size(); ++i)
            window->AddBuddy(names[i], 1, i == 0 ? QString() : u"Lichess"_s);
        for (std::size_t i = 0; i < statuses.size(); ++i)
            window->Buddies().List[i]->LastStatus = statuses[i];
        window->UpdateTray();
    }
    // The picture the tray was last given, as the state's own picture is stored.
    QImage TrayShows() const {
        return tray->icon.pixmap(48).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }
    static QImage PictureOf(TTrayState state) {
        return TrayImage(state, 48).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }
    QStringList Shown(QMenu* menu) {
        emit menu->aboutToShow();
        return Texts(menu);
    }
    TFakeSourceFetcher sources; // answers nothing of use unless told
    QString shownChoice;
};

// The dot tells who is online or that every check failed; the tooltip keeps the hint first and
// says who is online and who cannot be checked, in the language in force.
TEST_F(MainWindowTrayTest, PictureAndTooltipFollowTheListInBothLanguages) {
    const struct {
        std::vector<TBuddyStatus> statuses;
        TTrayState state;
        const char* english;
        const char* romanian;
    } cases[] = {
        {{}, tsNoneOnline, "Zentrilo", "Zentrilo"},
        {{bsOnline, bsOffline},
         tsSomeOnline,
         "Zentrilo\n1 of 2 online: alice",
         "Zentrilo\n1 din 2 online: alice"},
        {{bsOffline, bsInvisible, bsNotScanned},
         tsSomeOnline,
         "Zentrilo\n1 of 3 online: bob (Lichess)",
         "Zentrilo\n1 din 3 online: bob (Lichess)"},
        {{bsOffline, bsOffline},
         tsNoneOnline,
         "Zentrilo\n0 of 2 online",
         "Zentrilo\n0 din 2 online"},
        {{bsOnline, bsError},
         tsSomeOnline,
         "Zentrilo\n1 of 2 online: alice\n1 cannot be checked: bob (Lichess)",
         "Zentrilo\n1 din 2 online: alice\n1 nu poate fi verificat: bob (Lichess)"},
        {{bsError, bsError, bsNotScanned},
         tsAllFailing,
         "Zentrilo\n0 of 3 online\n2 cannot be checked: alice, bob (Lichess)",
         "Zentrilo\n0 din 3 online\n2 nu pot fi verificate: alice, bob (Lichess)"},
    };
    firstAnswer = -1;
    sources.ok = false;
    for (const auto& c : cases) {
        SCOPED_TRACE(QString::fromUtf8(c.english).replace(u'\n', u'|').toStdString());
        RemoveStore(); // each case starts with an empty list
        Start();
        Watch(c.statuses);
        EXPECT_EQ(tray->hint, QString::fromUtf8(c.english));
        EXPECT_TRUE(TrayShows() == PictureOf(c.state));
        window->rgLanguageRomanian->click();
        EXPECT_EQ(tray->hint, QString::fromUtf8(c.romanian));
        window->rgLanguageEnglish->click();
        window.reset();
    }
}

// Each state has a dot of its own colour where the program's icon has its dot.
TEST(TrayPictureTest, EachStateHasItsOwnDot) {
    const struct {
        TTrayState state;
        bool green;
        bool grey;
    } cases[] = {
        {tsSomeOnline, true, false}, {tsNoneOnline, false, true}, {tsAllFailing, false, false}};
    for (const int size : {16, 32, 48}) {
        for (const auto& c : cases) {
            const QImage image = TrayImage(c.state, size);
            ASSERT_EQ(image.size(), QSize(size, size));
            // Beside the warning mark, which stands in the dot's middle.
            const QColor dot = image.pixelColor(TrayDotCentre(size) + QPoint(size / 16, 0));
            EXPECT_EQ(dot.green() > dot.red() + 60, c.green) << size << " " << c.state;
            EXPECT_EQ(std::abs(dot.red() - dot.blue()) < 40 &&
                          std::abs(dot.red() - dot.green()) < 40,
                      c.grey)
                << size << " " << c.state;
        }
        EXPECT_NE(TrayImage(tsAllFailing, size), TrayImage(tsNoneOnline, size));
    }
}

// An applied result changes the picture and the tooltip at once.
TEST_F(MainWindowTrayTest, AResultReachesTheTrayAtOnce) {
    firstAnswer = bsOffline;
    Start();
    window->AddBuddy(u"alice"_s, 1);
    EXPECT_EQ(tray->hint, u"Zentrilo\n0 of 1 online"_s);
    EXPECT_TRUE(TrayShows() == PictureOf(tsNoneOnline));
    firstAnswer = bsOnline;
    window->btnCheckAllClick();
    EXPECT_EQ(tray->hint, u"Zentrilo\n1 of 1 online: alice"_s);
    EXPECT_TRUE(TrayShows() == PictureOf(tsSomeOnline));
}

// One item per row; an online contact opens what its balloon opens, another shows its row.
TEST_F(MainWindowTrayTest, ContactsMenuOpensTheOnlineAndShowsTheOthers) {
    firstAnswer = bsOnline;
    sources.reply = R"([{"online":false}])";
    Start();
    window->AddBuddy(u"alice"_s, 1);
    window->AddBuddy(u"bo&b"_s, 1, u"Lichess"_s);
    window->HideToTray();
    EXPECT_EQ(Shown(window->ContactsMenu),
              (QStringList{u"alice — ONLINE"_s, u"bo&&b (Lichess) — OFFLINE"_s}));
    window->ContactsMenu->actions()[0]->trigger();
    EXPECT_EQ(launcher.opened, std::vector<QString>{u"ymsgr:sendim?alice&m="_s});
    EXPECT_TRUE(window->HiddenInTray);
    window->ContactsMenu->actions()[1]->trigger();
    EXPECT_FALSE(window->HiddenInTray);
    EXPECT_EQ(window->SelectedRow(), window->lista->topLevelItem(1));
    EXPECT_EQ(launcher.opened.size(), 1u);
    TLanguageScope romanian(false);
    window->ApplyLanguage(false);
    EXPECT_EQ(Shown(window->PopupMenu1).mid(0, 5),
              (QStringList{u"Arată"_s, u"Contacte"_s, u"Verifică toate acum"_s,
                           u"Schimbări recente"_s, u"Întrerupe notificările"_s}));
}

// Newest first with the time; choosing one does what its balloon's click does. Check All Now
// follows the button's rules.
TEST_F(MainWindowTrayTest, RecentChangesAndCheckAllFromTheMenu) {
    firstAnswer = bsOnline;
    Start();
    window->CheckContext().now = [] { return QDateTime(QDate(2026, 12, 9), QTime(9, 5)); };
    window->AddBuddy(u"alice"_s, 1);
    window->AddBuddy(u"bob"_s, 1);
    firstAnswer = bsOffline;
    window->CheckAll1->trigger();
    EXPECT_EQ(Shown(window->RecentMenu),
              (QStringList{u"09:05  bob is now OFFLINE"_s, u"09:05  alice is now OFFLINE"_s,
                           u"09:05  bob is now ONLINE"_s, u"09:05  alice is now ONLINE"_s}));
    window->RecentMenu->actions()[3]->trigger();
    window->RecentMenu->actions()[0]->trigger(); // an offline balloon's click does nothing
    EXPECT_EQ(launcher.opened, std::vector<QString>{u"ymsgr:sendim?alice&m="_s});
    {
        TLanguageScope romanian(false);
        EXPECT_EQ(Shown(window->RecentMenu)[0], u"09:05  bob este acum OFFLINE"_s);
    }
    tray->moreClicked(); // the line of folded balloons opens the same list
    EXPECT_TRUE(PumpUntil([&] { return window->RecentMenu->isVisible(); }));
    window->RecentMenu->hide();
    window->lista->clear();
    window->Buddies().Clear();
    window->UpdateButtons();
    emit window->PopupMenu1->aboutToShow();
    EXPECT_FALSE(window->CheckAll1->isEnabled());
    EXPECT_FALSE(window->ContactsMenu->menuAction()->isEnabled());
}

// Paused changes are applied, recorded and listed, and show nothing; the hour's pause ends with
// the hour, the other when chosen again.
TEST_F(MainWindowTrayTest, PauseFromTheMenu) {
    now = QDateTime(QDate(2026, 12, 9), QTime(9, 0));
    firstAnswer = bsOffline;
    Start();
    window->CheckContext().now = [&] { return now; };
    window->AddBuddy(u"alice"_s, 1);
    window->PauseHour1->trigger();
    emit window->PauseMenu->aboutToShow();
    EXPECT_TRUE(window->PauseHour1->isChecked());
    EXPECT_TRUE(window->PauseMenu->menuAction()->isChecked());
    firstAnswer = bsOnline;
    window->btnCheckAllClick();
    EXPECT_TRUE(tray->balloons.empty());
    EXPECT_EQ(Cell(0, 3), u"ONLINE"_s);
    EXPECT_EQ(window->RecentChanges().Items().size(), 1u);
    const auto recorded = window->History()->Changes(0, std::numeric_limits<qint64>::max());
    ASSERT_FALSE(recorded.empty());
    EXPECT_EQ(recorded.back().To, int(bsOnline));
    now = now.addSecs(3600);
    emit window->PauseMenu->aboutToShow();
    EXPECT_FALSE(window->PauseHour1->isChecked());
    window->PauseOn1->trigger();
    EXPECT_TRUE(window->PauseOn1->isChecked());
    firstAnswer = bsOffline;
    window->btnCheckAllClick();
    EXPECT_TRUE(tray->balloons.empty());
    window->PauseOn1->trigger();
    EXPECT_FALSE(window->PauseOn1->isChecked());
    firstAnswer = bsOnline;
    window->btnCheckAllClick();
    EXPECT_EQ(tray->balloons.size(), 1u);
}

// Notify<n> beside Source<n>: absent is "both", a value this version does not know survives an
// edit that keeps its choice, and the choice decides which changes show.
TEST_F(MainWindowTrayTest, EachContactsChoiceIsStoredAndFollowed) {
    {
        auto store = Store();
        store->setValue(u"Items/User0"_s, u"ann"_s);
        store->setValue(u"Items/User1"_s, u"bob"_s);
        store->setValue(u"Items/Notify1"_s, u"whenever"_s);
        store->setValue(u"Items/User2"_s, u"cid"_s);
        store->setValue(u"Items/Notify2"_s, u"offline"_s);
    }
    firstAnswer = bsOnline;
    Start();
    // Found online at the first check: cid asked for "goes offline" only.
    ASSERT_EQ(tray->balloons.size(), 2u);
    EXPECT_EQ(tray->balloons[1].text, u"bob is now ONLINE"_s);
    const auto choiceShown = [this](int row, int choose) {
        Select(row);
        dialogScript.push_back([&, choose](TEditForm& form) {
            shownChoice = form.cbNotify->currentText();
            if (choose >= 0)
                form.cbNotify->setCurrentIndex(choose);
            return 1;
        });
        window->btnEditClick();
        window->lista->clearSelection();
        return shownChoice;
    };
    EXPECT_EQ(choiceShown(0, -1), u"comes online or goes offline"_s);
    EXPECT_EQ(choiceShown(1, -1), u"comes online or goes offline"_s);
    EXPECT_EQ(choiceShown(2, 3), u"goes offline"_s);
    EXPECT_EQ(Store()->value(u"Items/Notify1"_s).toString(), u"whenever"_s);
    EXPECT_EQ(Store()->value(u"Items/Notify2"_s).toString(), u"none"_s);
    EXPECT_EQ(Store()->value(u"Items/Notify0"_s).toString(), QString());
    tray->balloons.clear();
    firstAnswer = bsOffline;
    window->btnCheckAllClick();
    ASSERT_EQ(tray->balloons.size(), 2u); // ann and bob; cid now wants none
    EXPECT_EQ(tray->balloons[1].text, u"bob is now OFFLINE"_s);
    dialogScript.push_back([](TEditForm& form) {
        form.edNume->setText(u"dan"_s);
        form.cbNotify->setCurrentIndex(1);
        return 1;
    });
    window->btnAddClick();
    EXPECT_EQ(Store()->value(u"Items/Notify3"_s).toString(), u"online"_s);
}

// The first failed save of a run says so once; the tooltip says it until a save works.
TEST_F(MainWindowTrayTest, AFailedSaveIsSaidOnceAndShownUntilASaveWorks) {
    Start();
    ASSERT_TRUE(QFile::remove(ProgramKey()) || !QFile::exists(ProgramKey()));
    ASSERT_TRUE(QDir().mkpath(ProgramKey())); // a folder where the file goes: no save can work
    window->cbCloseToTray->click();
    window->cbCheckForUpdates->click();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].kind, TMessageKind::Warning);
    EXPECT_EQ(boxes.shown[0].text,
              u"Your list could not be saved: the settings file %1 cannot be read. Changes will "
              u"be lost when Zentrilo ends."_s.arg(ProgramKey()));
    EXPECT_EQ(tray->hint, u"Zentrilo\nYour list is not saved"_s);
    window->rgLanguageRomanian->click();
    EXPECT_EQ(tray->hint, u"Zentrilo\nLista ta nu este salvată"_s);
    ASSERT_TRUE(QDir().rmdir(ProgramKey()));
    window->cbCloseToTray->click();
    EXPECT_EQ(tray->hint, u"Zentrilo"_s);
    EXPECT_EQ(boxes.shown.size(), 1u);
}

// "Play a sound" below "Check for updates on startup": off at first, stored in General, and
// the tray's notifications follow it.
TEST_F(MainWindowTrayTest, PlayASoundIsStoredAndReachesTheTray) {
    Start();
    EXPECT_EQ(window->cbPlaySound->text(), u"Play a sound"_s);
    EXPECT_EQ(window->cbPlaySound->geometry().top(),
              window->cbCheckForUpdates->geometry().bottom() + 2);
    EXPECT_FALSE(window->cbPlaySound->isChecked());
    EXPECT_FALSE(tray->sound);
    window->cbPlaySound->click();
    EXPECT_TRUE(tray->sound);
    EXPECT_EQ(Store()->value(u"General/PlaySound"_s).toString(), u"1"_s);
    window.reset();
    Start();
    EXPECT_TRUE(window->cbPlaySound->isChecked());
    EXPECT_TRUE(tray->sound);
    window->rgLanguageRomanian->click();
    EXPECT_EQ(window->cbPlaySound->text(), u"Redă un sunet"_s);
}

} // namespace
