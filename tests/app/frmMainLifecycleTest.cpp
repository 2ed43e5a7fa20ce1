// Start-up, closing, hiding to the tray, the exit paths and the stored list slots.
#include "frmMainFixture.h"

#include "app/ExitPaths.h"
#include "tests/shell/EventPump.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QRadioButton>

#include <csignal>

namespace {

TEST_F(MainWindowTest, CloseQueryDecidesByCloseToTrayAndExitRequested) {
    struct Case {
        bool closeToTray;
        bool exitRequested;
        bool closes;
    };
    const Case cases[] = {
        {false, false, true},
        {false, true, true},
        {true, true, true},
        {true, false, false},
    };
    Start();
    for (const Case& c : cases) {
        window->show();
        window->cbCloseToTray->setChecked(c.closeToTray);
        window->ExitRequested = c.exitRequested;
        window->HiddenInTray = false;
        tray->balloons.clear();
        bool canClose = true;
        window->FormCloseQuery(canClose);
        EXPECT_EQ(canClose, c.closes) << c.closeToTray << c.exitRequested;
        // A refused close hides to the tray with the still-running balloon.
        EXPECT_EQ(window->HiddenInTray, !c.closes);
        EXPECT_EQ(window->isVisible(), c.closes);
        EXPECT_EQ(tray->balloons.size(), c.closes ? 0u : 1u);
    }
}

TEST_F(MainWindowTest, StillRunningBalloonOnEveryHideByClosing) {
    Start();
    window->cbCloseToTray->setChecked(true);
    for (int attempt = 0; attempt < 3; ++attempt) {
        window->show();
        EXPECT_FALSE(window->close());
    }
    ASSERT_EQ(tray->balloons.size(), 3u);
    for (const TShownBalloon& balloon : tray->balloons) {
        EXPECT_EQ(balloon.title, QStringLiteral("Zentrilo is still running"));
        EXPECT_EQ(balloon.timeoutMs, 1000);
        EXPECT_EQ(balloon.flags, bfInfo);
        EXPECT_FALSE(balloon.clickable);
    }
    EXPECT_TRUE(window->HiddenInTray);
}

TEST_F(MainWindowTest, StillRunningOptionFalseHidesSilently) {
    Store()->setValue(QStringLiteral("General/StillRunning"), QStringLiteral("0"));
    Start();
    window->cbCloseToTray->setChecked(true);
    window->show();
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->HiddenInTray);
    EXPECT_TRUE(tray->balloons.empty());
}

TEST_F(MainWindowTest, EveryExitPathClosesEvenWithCloseToTray) {
    const std::vector<std::pair<const char*, std::function<void(TzentriloMF&)>>> paths = {
        {"btnExit", [](TzentriloMF& w) { w.btnExitClick(); }},
        {"Exit1", [](TzentriloMF& w) { w.Exit1->trigger(); }},
        {"WMUserExit", [](TzentriloMF& w) { w.WMUserExit(); }},
        {"WMEndSession", [](TzentriloMF& w) { w.WMEndSession(); }},
    };
    for (const auto& [name, exit] : paths) {
        Start();
        window->cbCloseToTray->setChecked(true);
        window->show();
        exit(*window);
        EXPECT_FALSE(window->isVisible()) << name;
        EXPECT_FALSE(window->HiddenInTray) << name; // closed, not hidden to the tray
        EXPECT_TRUE(window->ExitRequested) << name;
        EXPECT_TRUE(tray->balloons.empty()) << name;
        window.reset();
    }
}

// The window shown with close-to-tray on, driven through the exit paths the program wires, the
// close watcher that ends its loop included.
class ExitPathsTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        Start();
        exits = std::make_unique<TExitPaths>(*window, [this] { ended = true; });
        exits->Arm(nullptr);
        window->cbCloseToTray->setChecked(true);
        window->show();
    }
    void TearDown() override {
        exits.reset();
        MainWindowTest::TearDown();
    }

    std::unique_ptr<TExitPaths> exits;
    bool ended = false; // the message loop was asked to end
};

TEST_F(ExitPathsTest, CancelledSessionEndSavesAndKeepsRunningThenEveryCloseExits) {
    window->AddBuddy(QStringLiteral("alice"), 3);
    exits->Session().SaveRequest(); // the session manager asks; the user then cancels the logout
    EXPECT_FALSE(ended);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(Store()->value(QStringLiteral("Items/User0")).toString(), QStringLiteral("alice"));
    EXPECT_EQ(Store()->value(QStringLiteral("General/CloseToTray")).toString(),
              QStringLiteral("1"));
    EXPECT_TRUE(window->ExitRequested);
    EXPECT_TRUE(window->close()); // close-to-tray is on, yet the close now exits
    EXPECT_TRUE(ended);
    EXPECT_FALSE(window->HiddenInTray);
}

#ifndef Q_OS_WIN // Windows ends the session with window messages; SIGTERM would end the test
TEST_F(ExitPathsTest, TheEndOfTheSessionByASignalExits) {
    ASSERT_EQ(raise(SIGTERM), 0);
    EXPECT_TRUE(PumpUntil([this] { return ended; }));
    EXPECT_FALSE(window->isVisible());
}
#endif

TEST_F(MainWindowTest, MinimiseHidesToTrayWhateverCloseToTraySays) {
    for (const bool closeToTray : {true, false}) {
        Start();
        window->cbCloseToTray->setChecked(closeToTray);
        window->show();
        window->setWindowState(Qt::WindowMinimized);
        EXPECT_TRUE(window->HiddenInTray) << closeToTray;
        EXPECT_FALSE(window->isVisible()) << closeToTray;
        window->TrayIconClick();
        EXPECT_TRUE(window->isVisible());
        EXPECT_FALSE(window->isMinimized());
        window.reset();
    }
}

TEST_F(MainWindowTest, TrayClickTogglesAndShowItemShows) {
    Start();
    window->HiddenInTray = true; // as "-minimized" leaves it
    window->TrayIconClick();
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->HiddenInTray);
    window->TrayIconClick();
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(window->HiddenInTray);
    window->Show1->trigger();
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->HiddenInTray);
}

TEST_F(MainWindowTest, WithoutTrayHidingMinimisesToTheTaskbar) {
    Start();
    window->SetTrayAvailable(false);
    window->cbCloseToTray->setChecked(true);
    window->show();
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isMinimized());
    window->ShowFromTray();
    EXPECT_FALSE(window->isMinimized());
}

TEST_F(MainWindowTest, StartUpSetsCaptionsTrayAndSwitches) {
    Start();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Zentrilo v0.5.4"));
    EXPECT_EQ(window->lbAppWithVersion->text(), QStringLiteral("Zentrilo v0.5.4"));
    EXPECT_EQ(tray->hint, QStringLiteral("Zentrilo"));
    EXPECT_TRUE(tray->visible);
    EXPECT_EQ(tray->menu, window->PopupMenu1);
    // First run: every option at its default.
    EXPECT_TRUE(window->cbCloseToTray->isChecked());
    EXPECT_TRUE(window->cbCheckForUpdates->isChecked());
    EXPECT_FALSE(window->cbStartWithWindows->isChecked());
    EXPECT_EQ(window->rgLanguageIndex(), 0);
    EXPECT_FALSE(window->ClearStatusTimer->isActive());
    EXPECT_EQ(window->ClearStatusTimer->interval(), 15000);
    EXPECT_EQ(window->size(), QSize(549, 508));
    EXPECT_FALSE(window->ExitRequested);
    // Assigning the start-up states wrote nothing.
    EXPECT_FALSE(StartsWithWindows());
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(MainWindowTest, StartUpReadsStoredSwitchesAndLanguage) {
    auto store = Store();
    store->setValue(QStringLiteral("General/CloseToTray"), QStringLiteral("0"));
    store->setValue(QStringLiteral("General/CheckForUpdates"), QStringLiteral("0"));
    store->sync();
    UseEnglish = false;
    Start();
    EXPECT_FALSE(window->cbCloseToTray->isChecked());
    EXPECT_FALSE(window->cbCheckForUpdates->isChecked());
    EXPECT_EQ(window->rgLanguageIndex(), 1);
}

TEST_F(MainWindowTest, RetiredProgramWarnsRequestsTheEndAndStillSaves) {
    ProgramActive = false;
    Store()->setValue(QStringLiteral("Items/User0"), QStringLiteral("alice"));
    Start();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].kind, TMessageKind::Warning);
    EXPECT_EQ(boxes.shown[0].text, DiscontinuedText());
    EXPECT_TRUE(window->ExitRequested); // the orderly exit was asked for
    EXPECT_EQ(Rows(), 1);               // start-up ran to its end
    window.reset();
    EXPECT_EQ(Store()->value(QStringLiteral("Items/User0")).toString(), QStringLiteral("alice"));
}

TEST_F(MainWindowTest, SlotsLoadSkippingEmptyOnesAndSaveCompacted) {
    {
        auto store = Store();
        store->setValue(QStringLiteral("Items/User0"), QStringLiteral("Alice"));
        store->setValue(QStringLiteral("Items/Interval0"), QStringLiteral("3"));
        store->setValue(QStringLiteral("Items/User1"), QString());
        store->setValue(QStringLiteral("Items/User2"), QStringLiteral("bob"));
        store->setValue(QStringLiteral("Items/Interval2"), QStringLiteral("x"));
        store->setValue(QStringLiteral("Items/User3"), QStringLiteral("carol"));
        store->setValue(QStringLiteral("Items/User4"), QStringLiteral("dave"));
        store->setValue(QStringLiteral("Items/Interval4"), QStringLiteral("9"));
        store->setValue(QStringLiteral("Other/Kept"), QStringLiteral("yes"));
    }
    BuddyLimit = 4; // slot 4 lies at the limit: neither read nor written
    Start();
    ASSERT_EQ(Rows(), 3);
    EXPECT_EQ(Cell(0, 0), QStringLiteral("alice"));
    EXPECT_EQ(Cell(0, 1), QStringLiteral("3"));
    EXPECT_EQ(Cell(1, 0), QStringLiteral("bob"));
    EXPECT_EQ(Cell(1, 1), QStringLiteral("1")); // a bad interval loads as 1
    EXPECT_EQ(Cell(2, 0), QStringLiteral("carol"));
    window->cbCloseToTray->setChecked(false);
    window.reset();

    const auto store = Store();
    const std::pair<const char*, const char*> expected[] = {
        {"Items/User0", "alice"},
        {"Items/Interval0", "3"},
        {"Items/User1", "bob"},
        {"Items/Interval1", "1"},
        {"Items/User2", "carol"},
        {"Items/Interval2", "1"},
        {"Items/User3", ""},
        {"Items/Interval3", "1"},
        {"Items/User4", "dave"},
        {"Items/Interval4", "9"},
        {"Other/Kept", "yes"},
        {"General/CloseToTray", "0"},
        {"General/CheckForUpdates", "1"},
    };
    for (const auto& [key, value] : expected)
        EXPECT_EQ(store->value(QLatin1String(key)).toString(), QLatin1String(value)) << key;
}

// What the store holds in the slots 0 to count - 1, as "id/interval".
std::vector<QString> StoredSlots(const QSettings& store, int count) {
    std::vector<QString> held;
    for (int slot = 0; slot < count; ++slot)
        held.push_back(store.value(QStringLiteral("Items/User%1").arg(slot)).toString() + u'/' +
                       store.value(QStringLiteral("Items/Interval%1").arg(slot)).toString());
    return held;
}

std::vector<QString> Ids(const TzentriloMF& window) {
    std::vector<QString> ids;
    for (const TRecord* entry : const_cast<TzentriloMF&>(window).Buddies().List)
        ids.push_back(entry->ID);
    return ids;
}

TEST_F(MainWindowTest, EveryEditAndSwitchIsOnDiskAtOnce) {
    Start();
    const auto stored = [this] { return StoredSlots(*Store(), 3); };
    dialogScript = {Type(QStringLiteral("Ann"), QStringLiteral("3")),
                    Type(QStringLiteral("bob"), QStringLiteral("1")),
                    Type(QStringLiteral("carol"), QStringLiteral("4"))};
    window->btnAddClick();
    EXPECT_EQ(stored(), (std::vector<QString>{"ann/3", "/1", "/1"}));
    window->btnAddClick();
    EXPECT_EQ(stored(), (std::vector<QString>{"ann/3", "bob/1", "/1"}));
    Select(0);
    window->btnEditClick();
    EXPECT_EQ(stored(), (std::vector<QString>{"carol/4", "bob/1", "/1"}));
    boxes.answers = {IDYES};
    window->btnDeleteClick();
    EXPECT_EQ(stored(), (std::vector<QString>{"bob/1", "/1", "/1"}));
    const std::pair<QCheckBox*, const char*> switches[] = {
        {window->cbCloseToTray, "General/CloseToTray"},
        {window->cbCheckForUpdates, "General/CheckForUpdates"}};
    for (const auto& [box, key] : switches) {
        box->click();
        EXPECT_EQ(Store()->value(QLatin1String(key)).toString(), QStringLiteral("0")) << key;
    }

    // What changes nothing writes nothing.
    RemoveStore();
    dialogScript = {[](TEditForm&) { return 2; }, [](TEditForm&) { return 2; }};
    window->btnAddClick();
    Select(0);
    window->btnEditClick();
    boxes.answers = {IDNO};
    window->btnDeleteClick();
    EXPECT_FALSE(StoreExists(ProgramKey()));
}

TEST_F(MainWindowTest, ALimitRaisedDuringTheRunKeepsEveryAddedRowAfterARestart) {
    Store()->setValue(QStringLiteral("Items/User0"), QStringLiteral("a"));
    Start();
    BuddyLimit = 7; // as a "Check for update" may leave it
    for (int i = 1; i < 7; ++i) {
        dialogScript.push_back(Type(QStringLiteral("id%1").arg(i), QStringLiteral("2")));
        window->btnAddClick();
    }
    ASSERT_EQ(Rows(), 7);
    window.reset();
    Start();
    EXPECT_EQ(Ids(*window), (std::vector<QString>{"a", "id1", "id2", "id3", "id4", "id5", "id6"}));
}

TEST_F(MainWindowTest, ALimitLoweredDuringTheRunBringsNoDeletedOrEditedRowBack) {
    {
        auto store = Store();
        for (int slot = 0; slot < 5; ++slot)
            store->setValue(QStringLiteral("Items/User%1").arg(slot), QChar(u'a' + slot));
        store->setValue(QStringLiteral("Items/User9"), QStringLiteral("never defined"));
    }
    Start();
    BuddyLimit = 2; // as a "Check for update" may leave it
    Select(2);
    boxes.answers = {IDYES};
    window->btnDeleteClick(); // c
    Select(2);
    dialogScript.push_back(Type(QStringLiteral("x"), QStringLiteral("1")));
    window->btnEditClick(); // d becomes x
    window.reset();
    EXPECT_EQ(StoredSlots(*Store(), 5), (std::vector<QString>{"a/1", "b/1", "x/1", "e/1", "/1"}));
    EXPECT_EQ(Store()->value(QStringLiteral("Items/User9")).toString(),
              QStringLiteral("never defined"));
    BuddyLimit = 5;
    Start();
    EXPECT_EQ(Ids(*window), (std::vector<QString>{"a", "b", "x", "e"}));
}

TEST_F(MainWindowTest, DestroyRunsOnceAndFreesTheList) {
    Start();
    window->AddBuddy(QStringLiteral("alice"), 2);
    window->FormDestroy();
    EXPECT_EQ(Rows(), 0);
    EXPECT_TRUE(window->Buddies().List.empty());
    Store()->setValue(QStringLiteral("Items/User0"), QStringLiteral("changed"));
    window.reset(); // the destructor does not save a second time over it
    EXPECT_EQ(Store()->value(QStringLiteral("Items/User0")).toString(), QStringLiteral("changed"));
}

TEST_F(MainWindowTest, StartWithWindowsBoxWritesTheEntryAtTheClick) {
    Start();
    window->cbStartWithWindows->click();
    EXPECT_TRUE(StartsWithWindows());
    window->cbStartWithWindows->click();
    EXPECT_FALSE(StartsWithWindows());
}

TEST_F(MainWindowTest, HugeLimitDefinesBoundedSlotsButShowsTheNumberReceived) {
    BuddyLimit = 2000000000;
    Start();
    EXPECT_EQ(Options->IndexOf(QStringLiteral("User999")) >= 0, true);
    EXPECT_LT(Options->IndexOf(QStringLiteral("User1000")), 0);
    EXPECT_TRUE(window->lbInfo->text().contains(QStringLiteral("2000000000")));
}

} // namespace
