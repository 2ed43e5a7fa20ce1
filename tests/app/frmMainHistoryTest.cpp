// The main window and the presence history: what it records and when its runs begin and end,
// entries that leave the list, the history window from the button and the tray menu, and the
// store's warnings.
#include "frmMainFixture.h"

#include "app/frmHistory.h"
#include "app/frmHistoryTimeline.h"
#include "history/HistoryDatabase.h"
#include "history/HistoryStore.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlQuery>

#include <limits>

namespace {

class MainWindowHistoryTest : public MainWindowTest {
protected:
    QDateTime checked;
    QString HistoryPath() const {
        return dataDir.filePath(QStringLiteral("ZentriloSoft/history.sqlite"));
    }
    // The runs in the file: how many, and how many ended in order.
    std::pair<int, int> Runs() const {
        THistoryDatabase db(HistoryPath());
        if (!db.OpenForReading())
            return {0, 0};
        QSqlQuery query(db.Connection());
        query.exec(QStringLiteral("SELECT count(*), count(ended) FROM runs"));
        query.next();
        return {query.value(0).toInt(), query.value(1).toInt()};
    }
    std::vector<THistoryChange> Changes() const {
        return window->History()->Changes(std::numeric_limits<qint64>::min(),
                                          std::numeric_limits<qint64>::max());
    }
    // Whether the entry's time in the history still goes on.
    bool Watched(const char* id) const {
        for (const THistorySpan& span : window->History()->Spans()) {
            if (span.Live && span.Key.ID == QLatin1String(id))
                return true;
        }
        return false;
    }
    void StoreList(const std::vector<const char*>& ids) {
        auto store = Store();
        for (std::size_t slot = 0; slot < ids.size(); ++slot)
            store->setValue(QStringLiteral("Items/User%1").arg(slot), QLatin1String(ids[slot]));
    }
    void DeleteRow(int row) {
        Select(row);
        boxes.answers = {IDYES};
        window->btnDeleteClick();
    }
};

TEST_F(MainWindowHistoryTest, EveryResultIsRecordedUnderTheEntrysIdOnItsOwnSource) {
    StoreList({"Bob"});
    firstAnswer = bsOffline;
    Start();
    firstAnswer = bsOnline;
    window->btnCheckAllClick();
    const QDateTime changed = window->Buddies().List[0]->LastCheck;
    window->btnCheckAllClick(); // unchanged: no change written
    const auto changes = Changes();
    ASSERT_EQ(changes.size(), 2u);
    for (const THistoryChange& change : changes)
        EXPECT_EQ(change.Key, (THistoryKey{QStringLiteral("bob"), QStringLiteral("Zentrilo")}));
    EXPECT_EQ(changes[0].From, kHistoryNotChecked);
    EXPECT_EQ(changes[0].To, bsOffline);
    EXPECT_EQ(changes[1].From, bsOffline);
    EXPECT_EQ(changes[1].To, bsOnline);
    // Dated as the row shows the check.
    EXPECT_EQ(changes[1].TimeMs, changed.toMSecsSinceEpoch());
}

TEST_F(MainWindowHistoryTest, EveryOrderlyExitEndsTheRunItBegan) {
    const std::vector<std::pair<const char*, std::function<void()>>> exits = {
        {"btnExit", [this] { window->btnExitClick(); }},
        {"Exit1", [this] { window->Exit1->trigger(); }},
        {"exit line", [this] { window->WMUserExit(); }},
        {"end of session", [this] { window->WMEndSession(); }},
        {"retirement", [] {}},
    };
    StoreList({"bob"});
    int run = 0;
    for (const auto& [name, exit] : exits) {
        ProgramActive = std::string(name) != "retirement";
        Start();
        EXPECT_EQ(Runs(), std::make_pair(run + 1, run)) << name; // begun, not yet ended
        exit();
        EXPECT_TRUE(window->ExitRequested) << name;
        window.reset();
        ++run;
        EXPECT_EQ(Runs(), std::make_pair(run, run)) << name;
    }
}

TEST_F(MainWindowHistoryTest, DeletedAndRenamedEntriesLeaveTheHistoryUnlessAnotherRowWatches) {
    StoreList({"bob", "bob", "carol"});
    Start();
    ASSERT_TRUE(Watched("bob") && Watched("carol"));
    DeleteRow(0);
    EXPECT_TRUE(Watched("bob")); // the other row still watches bob
    DeleteRow(0);
    EXPECT_FALSE(Watched("bob"));

    dialogScript = {Type(QStringLiteral("dave"), QStringLiteral("1"))};
    Select(0);
    window->btnEditClick();
    EXPECT_FALSE(Watched("carol"));
    EXPECT_FALSE(Watched("dave")); // until its first result
    window->btnCheckClick();
    EXPECT_TRUE(Watched("dave"));

    dialogScript = {Type(QStringLiteral("dave"), QStringLiteral("5"))}; // the ID stays
    window->btnEditClick();
    EXPECT_TRUE(Watched("dave"));
}

TEST_F(MainWindowHistoryTest, ButtonAndTrayItemOpenOneHistoryWindowInTheLanguageInForce) {
    Start();
    ASSERT_TRUE(window->btnHistory->isEnabled());
    ASSERT_TRUE(window->History1->isEnabled());
    EXPECT_EQ(window->HistoryForm(), nullptr); // made at its first opening
    window->btnHistory->click();
    THistoryForm* form = window->HistoryForm();
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->isVisible());
    form->close();
    window->History1->trigger();
    EXPECT_EQ(window->HistoryForm(), form);
    EXPECT_TRUE(form->isVisible());

    window->rgLanguageRomanian->click();
    EXPECT_EQ(form->windowTitle(), QString::fromUtf8("Istoricul prezenței"));
    window->rgLanguageEnglish->click();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Presence history"));
}

TEST_F(MainWindowHistoryTest, TheOpenWindowShowsEachResultAsItIsRecorded) {
    StoreList({"bob"});
    Start();
    window->btnHistory->click();
    // Later checks, and a window whose now comes a minute after each. The clock is the fixture's:
    // the window still reads it when it is destroyed after the test.
    checked = QDateTime::currentDateTime().addSecs(60);
    window->CheckContext().now = [this] { return checked; };
    window->HistoryForm()->Now = [this] { return checked.addSecs(60); };
    const auto lastCode = [this] {
        const auto& rows = window->HistoryForm()->Timeline->Rows();
        return rows.size() == 1 && !rows[0].Intervals.empty() ? rows[0].Intervals.back().Code : -1;
    };
    window->btnCheckAllClick();
    EXPECT_EQ(lastCode(), bsOffline);
    firstAnswer = bsOnline;
    checked = checked.addSecs(60);
    window->btnCheckAllClick();
    EXPECT_EQ(lastCode(), bsOnline);
}

TEST_F(MainWindowHistoryTest, SitsLeftOfCheckStatusInTheTabOrderAndTheTrayMenu) {
    Start();
    const QRect history = window->btnHistory->geometry();
    const QRect check = window->btnCheck->geometry();
    EXPECT_EQ(history.top(), check.top());
    EXPECT_EQ(history.height(), check.height());
    EXPECT_EQ(history.right() + 6, check.left());
    EXPECT_GT(history.left(), window->btnSources->geometry().right());
    EXPECT_EQ(window->btnSources->nextInFocusChain(), window->btnHistory);
    EXPECT_EQ(window->btnHistory->nextInFocusChain(), window->btnCheck);

    // After what acts on the contacts, then Sources; Exit stays last, below its separator.
    const QList<QAction*> items = window->PopupMenu1->actions();
    ASSERT_EQ(items.size(), 10);
    const QList<QAction*> expected = {window->Show1,
                                      window->ContactsMenu->menuAction(),
                                      window->CheckAll1,
                                      window->RecentMenu->menuAction(),
                                      window->PauseMenu->menuAction(),
                                      items[5],
                                      window->History1,
                                      window->Sources1,
                                      items[8],
                                      window->Exit1};
    EXPECT_EQ(items, expected);
    EXPECT_TRUE(items[5]->isSeparator());
    EXPECT_TRUE(items[8]->isSeparator());
}

// A damaged file is moved aside and said so once, from the event loop: never while the start-up
// or a check is still running.
TEST_F(MainWindowHistoryTest, AWarningOfTheStoreWaitsForTheEventLoop) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(HistoryPath()).absolutePath()));
    QFile damaged(HistoryPath());
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write(QByteArray(8192, 'x'));
    damaged.close();
    StoreList({"bob"});
    Start();
    EXPECT_EQ(Rows(), 1); // the start ran to its end
    EXPECT_TRUE(boxes.shown.empty());
    ASSERT_TRUE(PumpUntil([this] { return !boxes.shown.empty(); }));
    QCoreApplication::processEvents();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].kind, TMessageKind::Warning);
    EXPECT_TRUE(boxes.shown[0].text.startsWith(QStringLiteral("The presence history was damaged.")))
        << boxes.shown[0].text.toStdString();
    EXPECT_EQ(Changes().size(), 1u); // the new file records
}

} // namespace
