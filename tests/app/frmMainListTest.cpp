// The watched list: rows, buttons, adding, editing, deleting and the list's keys.
#include "frmMainFixture.h"

#include <QPushButton>

namespace {

const QString kNothingSelected = QStringLiteral("Nothing selected!");

struct ButtonStates {
    bool add, edit, del, check, checkAll;
};

ButtonStates States(const TzentriloMF& w) {
    return {w.btnAdd->isEnabled(), w.btnEdit->isEnabled(), w.btnDelete->isEnabled(),
            w.btnCheck->isEnabled(), w.btnCheckAll->isEnabled()};
}

TEST_F(MainWindowTest, UpdateButtonsTable) {
    struct Case {
        int limit;
        int rows;
        bool select;
        ButtonStates expected;
    };
    const Case cases[] = {
        {5, 0, false, {true, false, false, false, false}},
        {5, 1, false, {true, false, false, false, true}},
        {5, 1, true, {true, true, true, true, true}},
        {5, 4, true, {true, true, true, true, true}},
        {5, 5, false, {false, false, false, false, true}},
        {2, 3, true, {false, true, true, true, true}},
        {0, 0, false, {false, false, false, false, false}},
        {-3, 0, false, {false, false, false, false, false}},
    };
    for (const Case& c : cases) {
        BuddyLimit = c.limit;
        RemoveStore(); // no rows saved by the previous case
        Start();
        for (int i = 0; i < c.rows; ++i)
            window->AddBuddy(QStringLiteral("id%1").arg(i), 1);
        if (c.select)
            Select(0);
        window->UpdateButtons();
        const ButtonStates s = States(*window);
        EXPECT_EQ(s.add, c.expected.add) << c.limit << "/" << c.rows;
        EXPECT_EQ(s.edit, c.expected.edit) << c.limit << "/" << c.rows;
        EXPECT_EQ(s.del, c.expected.del) << c.limit << "/" << c.rows;
        EXPECT_EQ(s.check, c.expected.check) << c.limit << "/" << c.rows;
        EXPECT_EQ(s.checkAll, c.expected.checkAll) << c.limit << "/" << c.rows;
        window.reset();
    }
}

TEST_F(MainWindowTest, SelectionChangeUpdatesTheButtons) {
    Start();
    window->AddBuddy(QStringLiteral("alice"), 1);
    window->UpdateButtons();
    EXPECT_FALSE(window->btnEdit->isEnabled());
    Select(0);
    EXPECT_TRUE(window->btnEdit->isEnabled());
    window->lista->clearSelection();
    EXPECT_FALSE(window->btnEdit->isEnabled());
}

TEST_F(MainWindowTest, RowTextsFollowTheEntryAndTheLanguageOfTheRefresh) {
    Start();
    firstAnswer = bsOnline;
    window->AddBuddy(QStringLiteral("  Alice "), 0);
    ASSERT_EQ(Rows(), 1);
    TRecord* entry = TzentriloMF::EntryOf(window->lista->topLevelItem(0));
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry, window->Buddies().List.at(0));
    EXPECT_EQ(Cell(0, 0), QStringLiteral("alice"));
    EXPECT_EQ(Cell(0, 1), QStringLiteral("1"));
    EXPECT_EQ(Cell(0, 3), QStringLiteral("ONLINE"));
    EXPECT_NE(Cell(0, 2), QStringLiteral("never")); // the first check ran

    struct Case {
        bool english;
        QDateTime lastCheck;
        TBuddyStatus status;
        const char* checkText;
        const char* statusText;
    };
    const QDate day(2024, 3, 15);
    const Case cases[] = {
        {true, QDateTime(), bsNotScanned, "never", "NOT SCANNED"},
        {false, QDateTime(), bsNotScanned, "niciodată", "NESCANAT"},
        {true, QDateTime(day, QTime(14, 5, 9)), bsOffline, "15.03.24 14:05:09", "OFFLINE"},
        {false, QDateTime(day, QTime(0, 0)), bsError, "15.03.24", "EROARE"},
        {true, QDateTime(day, QTime(0, 0, 1)), 10, "15.03.24 00:00:01", ""},
    };
    for (const Case& c : cases) {
        UseEnglish = c.english;
        entry->LastCheck = c.lastCheck;
        entry->LastStatus = c.status;
        window->RefreshRow(entry);
        EXPECT_EQ(Cell(0, 2), QString::fromUtf8(c.checkText));
        EXPECT_EQ(Cell(0, 3), QString::fromUtf8(c.statusText));
    }
    EXPECT_EQ(window->lista->topLevelItem(0)->textAlignment(2), int(Qt::AlignCenter));
}

TEST_F(MainWindowTest, AddThroughTheDialogNormalisesAndChecksAtOnce) {
    Start();
    dialogScript.push_back(Type(QStringLiteral(" Bob "), QStringLiteral("15")));
    window->btnAddClick();
    ASSERT_EQ(Rows(), 1);
    EXPECT_EQ(Cell(0, 0), QStringLiteral("bob"));
    EXPECT_EQ(Cell(0, 1), QStringLiteral("15"));
    EXPECT_EQ(window->Buddies().List.at(0)->LastStatus, bsOffline);
    EXPECT_TRUE(window->Buddies().List.at(0)->Enabled());
    EXPECT_TRUE(window->btnCheckAll->isEnabled());
    EXPECT_EQ(editForm->windowTitle(), QStringLiteral("Add"));

    dialogScript.push_back([](TEditForm&) { return 2; }); // cancelled
    window->btnAddClick();
    EXPECT_EQ(Rows(), 1);
}

TEST_F(MainWindowTest, FullListRefusesInsertWithTheLimitText) {
    Start();
    for (int i = 0; i < 5; ++i)
        window->AddBuddy(QStringLiteral("id%1").arg(i), 1);
    window->UpdateButtons();
    EXPECT_FALSE(window->btnAdd->isEnabled());
    for (const bool english : {true, false}) {
        UseEnglish = english;
        boxes.shown.clear();
        Key(window->lista, Qt::Key_Insert);
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].kind, TMessageKind::Warning);
        EXPECT_EQ(boxes.shown[0].text,
                  english ? QStringLiteral("You can add up to 5 Yahoo! IDs to be checked "
                                           "periodically.\r\n\r\nLimit reached.")
                          : QString::fromUtf8("Poţi adăuga până la 5 ID-uri Yahoo! care vor fi "
                                              "verificate periodic.\r\n\r\nLimită atinsă."));
    }
    EXPECT_EQ(Rows(), 5);
    EXPECT_TRUE(dialogScript.empty());
}

TEST_F(MainWindowTest, DeleteAsksAndActsOnlyOnYes) {
    Start();
    for (const char* id : {"a", "b", "c"})
        window->AddBuddy(QLatin1String(id), 1);
    Select(1);
    boxes.answers = {IDNO};
    window->btnDeleteClick();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].kind, TMessageKind::QuestionWarning);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Are you sure?"));
    EXPECT_EQ(Rows(), 3);

    boxes.answers = {IDYES};
    Key(window->lista, Qt::Key_Delete);
    ASSERT_EQ(Rows(), 2);
    EXPECT_EQ(Cell(0, 0), QStringLiteral("a"));
    EXPECT_EQ(Cell(1, 0), QStringLiteral("c"));
    ASSERT_EQ(window->Buddies().List.size(), 2u);
    EXPECT_EQ(window->Buddies().List[1]->ID, QStringLiteral("c"));
}

TEST_F(MainWindowTest, DeletingTheLastRowLeavesOnlyAddEnabled) {
    Start();
    window->AddBuddy(QStringLiteral("a"), 1);
    Select(0);
    boxes.answers = {IDYES};
    window->btnDeleteClick();
    EXPECT_EQ(Rows(), 0);
    const ButtonStates s = States(*window);
    EXPECT_TRUE(s.add);
    EXPECT_FALSE(s.edit || s.del || s.check || s.checkAll);
}

TEST_F(MainWindowTest, HandlersWithoutSelectionSayNothingSelected) {
    Start();
    window->AddBuddy(QStringLiteral("a"), 1);
    const std::vector<std::function<void()>> actions = {
        [this] { Key(window->lista, Qt::Key_Return); },
        [this] { window->btnEditClick(); },
        [this] { window->btnDeleteClick(); },
        [this] { window->btnCheckClick(); },
        [this] { DoubleClick(window->lista->viewport(), QPoint(5, 100)); },
    };
    for (std::size_t i = 0; i < actions.size(); ++i) {
        boxes.shown.clear();
        actions[i]();
        ASSERT_EQ(boxes.shown.size(), 1u) << i;
        EXPECT_EQ(boxes.shown[0].text, kNothingSelected) << i;
    }
    EXPECT_EQ(Rows(), 1);
    UseEnglish = false;
    boxes.shown.clear();
    window->btnCheckClick();
    EXPECT_EQ(BoxTexts(), std::vector<QString>{QStringLiteral("Nimic selectat!")});
}

TEST_F(MainWindowTest, EditKeepsCheckResultsUntilTheNextCheck) {
    Start();
    firstAnswer = bsOnline;
    window->AddBuddy(QStringLiteral("alice"), 5);
    const QString lastCheck = Cell(0, 2);
    Select(0);
    dialogScript.push_back(Type(QStringLiteral("Carol"), QStringLiteral("007")));
    Key(window->lista, Qt::Key_Return);
    EXPECT_EQ(editForm->windowTitle(), QStringLiteral("Edit"));
    EXPECT_EQ(Cell(0, 0), QStringLiteral("carol"));
    EXPECT_EQ(Cell(0, 1), QStringLiteral("7"));
    EXPECT_EQ(Cell(0, 2), lastCheck);
    EXPECT_EQ(Cell(0, 3), QStringLiteral("ONLINE"));
    const std::size_t queries = urls.size();
    window->btnCheckClick();
    EXPECT_EQ(urls.size(), queries + 1);
    EXPECT_NE(urls.back().find("yid=carol"), std::string::npos);
}

TEST_F(MainWindowTest, AnEditKeepsTheCountdownUnlessTheIntervalChanged) {
    const struct {
        const char* interval;
        bool kept;
    } cases[] = {{"5", true}, {"005", true}, {"6", false}};
    Start();
    window->AddBuddy(QStringLiteral("alice"), 5);
    Select(0);
    for (const auto& c : cases) {
        dialogScript.push_back(Type(QStringLiteral("bob"), QLatin1String(c.interval)));
        EXPECT_EQ(CountdownKept(*window->Buddies().List.at(0), [this] { window->btnEditClick(); }),
                  c.kept)
            << c.interval;
        window->Buddies().List.at(0)->SetInterval(5);
    }
}

TEST_F(MainWindowTest, CheckAllRunsEveryEntryInListOrder) {
    Start();
    for (const char* id : {"x1", "x2", "x3"})
        window->AddBuddy(QLatin1String(id), 1);
    urls.clear();
    window->btnCheckAll->setEnabled(true);
    window->btnCheckAll->click();
    ASSERT_EQ(urls.size(), 3u);
    for (int i = 0; i < 3; ++i)
        EXPECT_NE(urls[i].find("yid=x" + std::to_string(i + 1)), std::string::npos);
}

TEST_F(MainWindowTest, FirstOnlineCheckRaisesAClickableBalloon) {
    Start();
    firstAnswer = bsOnline;
    window->AddBuddy(QStringLiteral("alice"), 1);
    ASSERT_EQ(tray->balloons.size(), 1u);
    EXPECT_EQ(tray->balloons[0].title, QStringLiteral("Click to send alice a message"));
    EXPECT_EQ(tray->balloons[0].text, QStringLiteral("alice is now ONLINE"));
    EXPECT_TRUE(tray->balloons[0].clickable);
}

} // namespace
