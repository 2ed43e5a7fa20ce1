// Captions in both languages, the language switch, the run-time texts and the web links.
#include "frmMainFixture.h"

#include "app/platform/QtMessageBoxes.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>

namespace {

struct Caption {
    const char* control;
    std::function<QString(TzentriloMF&, TEditForm&)> read;
    const char* english;
    const char* romanian;
};

QString Header(TzentriloMF& w, int column) {
    return w.lista->headerItem()->text(column);
}

const char* const kSite = "127.0.0.1:1";
const char* const kSiteRo = "127.0.0.1:2";

std::vector<Caption> Captions() {
    using W = TzentriloMF;
    using E = TEditForm;
    return {
        {"lbUses", [](W& w, E&) { return w.lbUses->text(); }, "Zentrilo uses",
         "Zentrilo foloseşte"},
        {"lbVendorSite", [](W& w, E&) { return w.lbVendorSite->text(); }, kSite, kSiteRo},
        {"lbDesc", [](W& w, E&) { return w.lbDesc->text(); },
         "Zentrilo is a small but useful utility that notifies you when a Yahoo! Messenger friend "
         "becomes online / offline. You don't need to have Yahoo! Messenger started or to be "
         "logged in.",
         "Zentrilo e un program utilitar care te anunţă când un utilizator Y! Messenger devine "
         "online / offline. Nu trebuie să ai Yahoo! Messenger-ul deschis sau să fii logat."},
        {"lbFree", [](W& w, E&) { return w.lbFree->text(); },
         "This program is FREE. However, our servers (which Zentrilo relies on) require monthly "
         "maintenance costs. If you want to keep Zentrilo alive, we would gladly accept a "
         "donation (any amount is welcome).",
         "Acest program este GRATUIT. Totuşi, serverele noastre (pe care Zentrilo le foloseşte) "
         "necesită cheltuieli lunare de întreţinere. Dacă doreşti ca Zentrilo să nu fie închis, "
         "am fi bucuroşi să primim o donaţie (orice sumă este binevenită)."},
        {"btnDonate hint", [](W& w, E&) { return w.btnDonate->toolTip(); }, "Click to Donate",
         "Apasă pentru a dona"},
        {"gbCheckBuddy", [](W& w, E&) { return w.gbCheckBuddy->title(); },
         " Check the status of a buddy (can also detect INVISIBLE) - uses 127.0.0.1:1",
         " Verifică status-ul unui utilizator (poate detecta şi INVIZIBIL) - foloseşte "
         "127.0.0.1:2"},
        {"lbYahooID", [](W& w, E&) { return w.lbYahooID->text(); }, "Yahoo! ID", "ID Yahoo!"},
        {"btnCheckBuddy", [](W& w, E&) { return w.btnCheckBuddy->text(); }, "Check status",
         "Verifică status"},
        {"lbInfo", [](W& w, E&) { return w.lbInfo->text(); },
         "You can add up to 5 Yahoo! IDs to be checked periodically (CANNOT detect INVISIBLE)",
         "Poţi adăuga până la 5 ID-uri Yahoo! care vor fi verificate periodic (NU poate detecta "
         "INVIZIBIL)"},
        {"column 0", [](W& w, E&) { return Header(w, 0); }, "Yahoo! ID", "ID Yahoo!"},
        {"column 1", [](W& w, E&) { return Header(w, 1); }, "Interval (min.)", "Interval (min.)"},
        {"column 2", [](W& w, E&) { return Header(w, 2); }, "Last check", "Ultima verificare"},
        {"column 3", [](W& w, E&) { return Header(w, 3); }, "Last status", "Ultimul status"},
        {"btnAdd", [](W& w, E&) { return w.btnAdd->text(); }, "Add", "Adaugă"},
        {"btnEdit", [](W& w, E&) { return w.btnEdit->text(); }, "Edit", "Editează"},
        {"btnDelete", [](W& w, E&) { return w.btnDelete->text(); }, "Delete", "Şterge"},
        {"btnHistory", [](W& w, E&) { return w.btnHistory->text(); }, "History...", "Istoric..."},
        {"btnCheck", [](W& w, E&) { return w.btnCheck->text(); }, "Check status",
         "Verifică status"},
        {"btnCheckAll", [](W& w, E&) { return w.btnCheckAll->text(); }, "Check All Now",
         "Verifică toate acum"},
        {"btnExit", [](W& w, E&) { return w.btnExit->text(); }, "Exit", "Ieşire"},
#ifdef Q_OS_WIN
        {"cbStartWithWindows", [](W& w, E&) { return w.cbStartWithWindows->text(); },
         "Start with Windows (minimized)", "Porneşte odată cu Windows (minimizat)"},
#else // in the platform's own words
        {"cbStartWithWindows", [](W& w, E&) { return w.cbStartWithWindows->text(); },
         "Start at login (minimized)", "Pornește la autentificare (minimizat)"},
#endif
        {"cbCloseToTray", [](W& w, E&) { return w.cbCloseToTray->text(); }, "Close to Tray",
         "Închide în Tray"},
        {"cbCheckForUpdates", [](W& w, E&) { return w.cbCheckForUpdates->text(); },
         "Check for updates on startup", "Verifică pentru update la pornire"},
        {"rgLanguage", [](W& w, E&) { return w.rgLanguage->title(); }, " Language ", " Limbă "},
        {"lbHomepage", [](W& w, E&) { return w.lbHomepage->text(); }, "Web page", "Pagină web"},
        {"lbCheckForUpdates", [](W& w, E&) { return w.lbCheckForUpdates->text(); },
         "Check for update", "Verifică update"},
        {"Show1", [](W& w, E&) { return w.Show1->text(); }, "Show", "Arată"},
        {"History1", [](W& w, E&) { return w.History1->text(); }, "History...", "Istoric..."},
        {"Exit1", [](W& w, E&) { return w.Exit1->text(); }, "Exit", "Ieşire"},
        {"EditForm Label1", [](W&, E& e) { return e.Label1->text(); }, "Yahoo! ID", "ID Yahoo!"},
        {"EditForm Label2", [](W&, E& e) { return e.Label2->text(); }, "Interval (min.)",
         "Interval (min.)"},
        {"EditForm Button1", [](W&, E& e) { return e.Button1->text(); }, "OK", "OK"},
        {"EditForm Button2", [](W&, E& e) { return e.Button2->text(); }, "Cancel", "Anulare"},
    };
}

class MainWindowLanguageTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        Start();
        // Set after start-up, which would otherwise fetch from these hosts.
        qputenv("ZENTRILO_SITE", kSite);
        qputenv("ZENTRILO_SITE_RO", kSiteRo);
    }
    void TearDown() override {
        qunsetenv("ZENTRILO_SITE");
        qunsetenv("ZENTRILO_SITE_RO");
        MainWindowTest::TearDown();
    }
};

TEST_F(MainWindowLanguageTest, AllCaptionsSwitchBothWaysInBothWindows) {
    const std::vector<Caption> captions = Captions();
    ASSERT_EQ(captions.size(), 33u);
    for (const bool english : {false, true, false, true}) {
        window->ApplyLanguage(english);
        for (const Caption& c : captions)
            EXPECT_EQ(c.read(*window, *editForm),
                      QString::fromUtf8(english ? c.english : c.romanian))
                << c.control << (english ? " en" : " ro");
        // The footer holds no words, so it needs no second wording.
        EXPECT_EQ(window->Label1->text(), QString::fromUtf8("Zentrilo v0.5.4 · MIT"));
    }
    // The texts that do not depend on the language.
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Zentrilo v0.5.4"));
    EXPECT_EQ(window->rgLanguageEnglish->text(), QStringLiteral("English"));
    EXPECT_EQ(window->rgLanguageRomanian->text(), QString::fromUtf8("Română"));
}

TEST_F(MainWindowLanguageTest, SwitchKeepsRowsOrderTimersAndOldWordsUntilRefreshed) {
    firstAnswer = -1; // every query fails
    for (const char* id : {"c", "a", "b"})
        window->AddBuddy(QLatin1String(id), 3);
    std::vector<TRecord*> before = window->Buddies().List;
    EXPECT_TRUE(CountdownKept(*before[0], [this] { window->rgLanguageRomanian->click(); }));
    ASSERT_EQ(Rows(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(TzentriloMF::EntryOf(window->lista->topLevelItem(i)), before[i]);
        EXPECT_EQ(Cell(i, 3), QStringLiteral("ERROR")); // old words stay
        EXPECT_TRUE(before[i]->Enabled());
    }
    EXPECT_EQ(window->Buddies().List, before);
    before[1]->CheckStatus();
    EXPECT_EQ(Cell(1, 3), QStringLiteral("EROARE"));
    EXPECT_EQ(Cell(0, 3), QStringLiteral("ERROR"));
}

TEST_F(MainWindowLanguageTest, InfoShowsTheLimitOfTheLastApply) {
    BuddyLimit = 12;
    EXPECT_TRUE(window->lbInfo->text().contains(QStringLiteral(" 5 ")));
    window->ApplyLanguage(true);
    EXPECT_TRUE(window->lbInfo->text().contains(QStringLiteral(" 12 ")));
}

// The buttons of a question box as it would be shown now.
QStringList QuestionButtons() {
    const auto box = TQtMessageBoxes::Build(TMessageKind::Question, AppTitle(), QString(), true);
    return {box->button(QMessageBox::Yes)->text(), box->button(QMessageBox::No)->text()};
}

TEST_F(MainWindowLanguageTest, LanguageClickStoresAtOnceAndSwitchesQtsTextsToo) {
    window->rgLanguageRomanian->click();
    EXPECT_FALSE(UseEnglish);
    EXPECT_FALSE(ReadLanguage()); // in the store already, before any exit
    EXPECT_EQ(window->btnExit->text(), QString::fromUtf8("Ieşire"));
    EXPECT_EQ(QuestionButtons(), (QStringList{"&Da", "&Nu"}));
    window->rgLanguageEnglish->click();
    EXPECT_TRUE(UseEnglish);
    EXPECT_TRUE(ReadLanguage());
    EXPECT_EQ(window->btnExit->text(), QStringLiteral("Exit"));
    EXPECT_EQ(QuestionButtons(), (QStringList{"&Yes", "&No"}));
}

TEST_F(MainWindowLanguageTest, RunTimeTextsInBothLanguages) {
    struct Text {
        const char* id;
        std::function<QString(MainWindowLanguageTest&)> produce;
        const char* english;
        const char* romanian;
    };
    const auto lastBox = [](MainWindowLanguageTest& t) {
        return t.boxes.shown.empty() ? QString() : t.boxes.shown.back().text;
    };
    const auto lastBalloon = [](MainWindowLanguageTest& t, bool title) {
        const TShownBalloon& b = t.tray->balloons.back();
        return title ? b.title : b.text;
    };
    const std::vector<Text> texts = {
        {"nothing selected",
         [&](MainWindowLanguageTest& t) {
             t.window->lista->clearSelection();
             t.window->btnEditClick();
             return lastBox(t);
         },
         "Nothing selected!", "Nimic selectat!"},
        {"delete question",
         [&](MainWindowLanguageTest& t) {
             t.window->AddBuddy(QStringLiteral("x"), 1);
             t.Select(0);
             t.window->btnDeleteClick();
             return lastBox(t);
         },
         "Are you sure?", "Eşti sigur(ă)?"},
        {"blank ID",
         [&](MainWindowLanguageTest& t) {
             t.window->edBuddyID->clear();
             t.window->btnCheckBuddyClick();
             return lastBox(t);
         },
         "Please enter a valid Yahoo! ID!", "Te rog introdu un ID Yahoo! valid!"},
        {"still running title",
         [&](MainWindowLanguageTest& t) {
             t.window->cbCloseToTray->setChecked(true);
             t.window->close();
             return lastBalloon(t, true);
         },
         "Zentrilo is still running", "Zentrilo încă rulează"},
        {"still running text", [&](MainWindowLanguageTest& t) { return lastBalloon(t, false); },
         "Zentrilo is now minimized to Tray. You can press its icon any time to restore it.",
         "Zentrilo e acum minimizat în Tray. Poţi oricând apăsa pe iconiţă pentru a afişa "
         "fereastra principală."},
        {"online balloon title",
         [&](MainWindowLanguageTest& t) {
             t.firstAnswer = bsInvisible;
             t.window->AddBuddy(QStringLiteral("ann"), 1);
             return lastBalloon(t, true);
         },
         "Click to send ann a message", "Fă clic pentru a-i trimite lui ann un mesaj"},
        {"online balloon text", [&](MainWindowLanguageTest& t) { return lastBalloon(t, false); },
         "ann is now ONLINE (INVISIBLE)", "ann este acum ONLINE (INVIZIBIL)"},
        {"checking",
         [&](MainWindowLanguageTest& t) {
             QString seen;
             SetPresenceFetcher([&](const std::string&, std::u16string&, const TFetchControl&) {
                 seen = t.window->lbStatus->text();
                 return false;
             });
             t.window->edBuddyID->setText(QStringLiteral("z"));
             t.window->btnCheckBuddyClick();
             t.InstallFetcher();
             return seen;
         },
         "Checking...", "Verific..."},
        {"never",
         [&](MainWindowLanguageTest& t) {
             TRecord* entry = t.window->Buddies().List.back();
             entry->LastCheck = QDateTime();
             t.window->RefreshRow(entry);
             return t.Cell(t.Rows() - 1, 2);
         },
         "never", "niciodată"},
        {"update server unreachable",
         [&](MainWindowLanguageTest& t) {
             t.window->lbCheckForUpdatesClick(); // the fetch fails: nothing newer is known
             return lastBox(t);
         },
         "Could not reach the update server.", "Serverul de actualizări nu a putut fi contactat."},
    };
    for (const bool english : {true, false}) {
        UseEnglish = english;
        for (const Text& text : texts)
            EXPECT_EQ(text.produce(*this),
                      QString::fromUtf8(english ? text.english : text.romanian))
                << text.id << (english ? " en" : " ro");
        window->ShowFromTray();
    }
}

TEST_F(MainWindowLanguageTest, LinksOpenTheSiteOfTheLanguage) {
    for (const bool english : {true, false}) {
        UseEnglish = english;
        launcher.opened.clear();
        window->lbVendorSiteClick();
        window->lbHomepageClick();
        window->btnDonateClick();
        const QString site = QStringLiteral("http://") + QLatin1String(english ? kSite : kSiteRo);
        const std::vector<QString> expected = {site + QStringLiteral("/"),
                                               site + QStringLiteral("/zentrilo/"),
                                               site + QStringLiteral("/donate/?for=zentrilo")};
        EXPECT_EQ(launcher.opened, expected);
    }
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(MainWindowLanguageTest, LinksAreBlueAndLoseTheUnderlineOnlyWhileHovered) {
    for (QLabel* link : {window->lbVendorSite, window->lbHomepage, window->lbCheckForUpdates}) {
        EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        EXPECT_TRUE(link->font().underline());
        EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
        QEvent enter(QEvent::Enter);
        QCoreApplication::sendEvent(link, &enter);
        EXPECT_FALSE(link->font().underline());
        EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(link, &leave);
        EXPECT_TRUE(link->font().underline());
    }
    EXPECT_EQ(window->btnDonate->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(window->btnExit->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(window->cbCloseToTray->cursor().shape(), Qt::PointingHandCursor);
}

} // namespace
