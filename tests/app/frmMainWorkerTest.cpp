// The window with its network worker: a late network, answers out of order, busy states, and
// what deletes, edits and exits do to a check under way.
#include "frmMainFixture.h"

#include "app/ExitPaths.h"
#include "tests/shell/EventPump.h"
#include "tests/support/LoopbackServer.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>

namespace {

// The detection service on the worker's thread: it answers an ID only once the test gave the
// answer, and records what it was asked. An unanswered request waits until it is cancelled.
class TLateNetwork {
public:
    void Install() {
        SetPresenceFetcher(
            [this](const std::string& url, std::u16string& text, const TFetchControl& control) {
                return Fetch(url, text, control);
            });
    }
    // The answer to this and every later request about the ID.
    void Answer(const std::string& id, TBuddyStatus code) {
        {
            std::lock_guard lock(mutex_);
            answers_[id] = code;
        }
        changed_.notify_all();
    }
    std::vector<std::string> Asked() {
        std::lock_guard lock(mutex_);
        return asked_;
    }
    int Cancelled() {
        std::lock_guard lock(mutex_);
        return cancelled_;
    }

private:
    bool Fetch(const std::string& url, std::u16string& text, const TFetchControl& control) {
        const auto start = url.find("yid=") + 4;
        const std::string id = url.substr(start, url.find('&', start) - start);
        std::unique_lock lock(mutex_);
        asked_.push_back(id);
        while (answers_.count(id) == 0) {
            if (control.cancel != nullptr && control.cancel->Cancelled()) {
                ++cancelled_;
                return false;
            }
            changed_.wait_for(lock, std::chrono::milliseconds(5));
        }
        text = ServiceReply(answers_[id]);
        return true;
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::map<std::string, TBuddyStatus> answers_;
    std::vector<std::string> asked_;
    int cancelled_ = 0;
};

class WorkerWindowTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        network.Install();
    }
    // Stored IDs from slot 0 on, as a earlier run left them.
    void StoreList(const std::vector<QString>& ids) {
        auto store = Store();
        for (std::size_t slot = 0; slot < ids.size(); ++slot)
            store->setValue(QStringLiteral("Items/User%1").arg(slot), ids[slot]);
    }
    // The program's start: the worker of its own, the remote settings read (none configured).
    void StartThreaded() {
        Start(true);
        ASSERT_TRUE(PumpUntil([this] { return window->SettingsLoaded(); }));
    }
    bool AskedAtLeast(std::size_t count) {
        return PumpUntil([&] { return network.Asked().size() >= count; });
    }
    std::vector<QString> BalloonTexts() const {
        std::vector<QString> texts;
        for (const TShownBalloon& balloon : tray->balloons)
            texts.push_back(balloon.text);
        return texts;
    }

    TLateNetwork network; // outlives the window's worker, which may be asking it
};

TEST_F(WorkerWindowTest, AnswersAreAppliedInRequestOrderWhateverOrderTheyComeIn) {
    StoreList({QStringLiteral("alice"), QStringLiteral("bob"), QStringLiteral("carol")});
    StartThreaded();
    ASSERT_EQ(Rows(), 3);
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(Cell(row, 2), QStringLiteral("never"));
        EXPECT_EQ(Cell(row, 3), QStringLiteral("CHECKING...")); // the first answer is awaited
    }
    network.Answer("carol", bsOnline);
    network.Answer("bob", bsOnline);
    PumpUntil([] { return false; }, 100); // nothing may land before alice's answer
    EXPECT_TRUE(tray->balloons.empty());
    network.Answer("alice", bsOnline);
    ASSERT_TRUE(PumpUntil([this] { return tray->balloons.size() == 3; }));
    EXPECT_EQ(BalloonTexts(), (std::vector<QString>{QStringLiteral("alice is now ONLINE"),
                                                    QStringLiteral("bob is now ONLINE"),
                                                    QStringLiteral("carol is now ONLINE")}));
    EXPECT_EQ(network.Asked(), (std::vector<std::string>{"alice", "bob", "carol"}));
    EXPECT_EQ(LastNotifiedID, QStringLiteral("carol")); // the later balloon wins the click
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(Cell(row, 3), QStringLiteral("ONLINE"));
}

// The remote settings go out first and fix the slots; until they are in, the window says it is
// loading and nothing is added, loaded or checked.
TEST_F(WorkerWindowTest, NothingIsLoadedOrCheckedBeforeTheRemoteSettings) {
    TLoopbackServer site(
        {{step::ReadRequest(), step::Delay(300),
          step::Send(HttpReply("200 OK", "[Settings]\r\nbuddylimit=2\r\n")), step::Close()}});
    qputenv("ZENTRILO_SITE", site.HostPort().c_str());
    StoreList({QStringLiteral("alice"), QStringLiteral("bob"), QStringLiteral("carol")});
    Start(true);
    EXPECT_FALSE(window->SettingsLoaded());
    EXPECT_EQ(window->lbInfo->text(), QStringLiteral("Loading..."));
    window->ApplyLanguage(false);
    EXPECT_EQ(window->lbInfo->text(), QString::fromUtf8("Se încarcă..."));
    window->ApplyLanguage(true);
    EXPECT_EQ(Rows(), 0);
    const std::vector<QWidget*> waiting = {window->btnAdd, window->btnCheckBuddy,
                                           window->cbCloseToTray, window->cbCheckForUpdates};
    for (std::size_t i = 0; i < waiting.size(); ++i)
        EXPECT_FALSE(waiting[i]->isEnabled()) << i;
    window->edBuddyID->setText(QStringLiteral("dave"));
    window->btnCheckBuddyClick();
    dialogScript.push_back(Type(QStringLiteral("erin"), QStringLiteral("1")));
    Key(window->lista, Qt::Key_Insert);
    EXPECT_EQ(dialogScript.size(), 1u); // no dialog was opened
    dialogScript.clear();
    EXPECT_TRUE(window->lbStatus->text().isEmpty());
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(network.Asked().empty());

    ASSERT_TRUE(PumpUntil([this] { return window->SettingsLoaded(); }));
    ASSERT_EQ(Rows(), 2); // the limit the file set
    EXPECT_TRUE(window->lbInfo->text().contains(QStringLiteral(" 2 ")));
    EXPECT_TRUE(window->btnCheckBuddy->isEnabled());
    EXPECT_TRUE(window->cbCloseToTray->isEnabled());
    ASSERT_TRUE(AskedAtLeast(1));
    EXPECT_EQ(network.Asked(), std::vector<std::string>{"alice"}); // bob waits behind it
    EXPECT_EQ(site.Requests().size(), 1u);
    qunsetenv("ZENTRILO_SITE");
}

// A tick, "Check status" or "Check All Now" while the entry's check waits adds no second one.
TEST_F(WorkerWindowTest, ACheckUnderWayIsNotQueuedAgain) {
    StoreList({QStringLiteral("alice"), QStringLiteral("bob")});
    StartThreaded();
    network.Answer("bob", bsOffline);
    ASSERT_TRUE(AskedAtLeast(1));
    TRecord* alice = window->Buddies().List[0];
    Select(0);
    for (int tick = 0; tick < 3; ++tick)
        alice->Tick();
    window->btnCheckClick();
    window->btnCheckAllClick();
    network.Answer("alice", bsOnline);
    ASSERT_TRUE(PumpUntil([this] { return !window->Buddies().List[1]->CheckUnderWay(); }));
    PumpUntil([] { return false; }, 50);
    EXPECT_EQ(network.Asked(), (std::vector<std::string>{"alice", "bob"}));
    EXPECT_EQ(tray->balloons.size(), 1u);
    alice->Tick(); // after the answer a tick checks again
    ASSERT_TRUE(AskedAtLeast(3));
    EXPECT_EQ(network.Asked().back(), "alice");
}

TEST_F(WorkerWindowTest, TheCheckButtonsAndTheOneOffBoxShowTheirCheckUnderWay) {
    StoreList({QStringLiteral("alice"), QStringLiteral("bob")});
    StartThreaded();
    network.Answer("alice", bsOffline);
    network.Answer("bob", bsOffline);
    ASSERT_TRUE(PumpUntil([this] { return !window->Buddies().List[1]->CheckUnderWay(); }));
    EXPECT_EQ(window->btnCheckAll->text(), QStringLiteral("Check All Now"));

    // Held from here on: no answer about anyone comes until the test gives it.
    TLateNetwork held;
    held.Install();
    Select(0);
    window->btnCheckClick();
    EXPECT_FALSE(window->btnCheck->isEnabled());
    EXPECT_EQ(window->btnCheck->text(), QStringLiteral("Checking..."));
    window->btnCheckAllClick();
    EXPECT_FALSE(window->btnCheckAll->isEnabled());
    EXPECT_EQ(window->btnCheckAll->text(), QStringLiteral("Checking..."));
    window->lista->clearSelection();
    Select(1);
    EXPECT_FALSE(window->btnCheck->isEnabled()); // bob's check is the round's
    window->edBuddyID->setText(QStringLiteral("carol"));
    Key(window->edBuddyID, Qt::Key_Return);
    EXPECT_FALSE(window->btnCheckBuddy->isEnabled());
    EXPECT_EQ(window->lbStatus->text(), QStringLiteral("Checking..."));
    // None of the three starts twice while under way.
    window->btnCheckClick();
    window->btnCheckAllClick();
    Key(window->edBuddyID, Qt::Key_Return);
    UseEnglish = false;
    window->ApplyLanguage(false);
    EXPECT_EQ(window->btnCheck->text(), QStringLiteral("Verific..."));
    EXPECT_EQ(window->btnCheckAll->text(), QStringLiteral("Verific..."));

    for (const char* id : {"alice", "bob", "carol"})
        held.Answer(id, bsOnline);
    ASSERT_TRUE(PumpUntil([this] { return window->btnCheckBuddy->isEnabled(); }));
    EXPECT_EQ(window->lbStatus->text(), QStringLiteral("carol este ONLINE"));
    EXPECT_TRUE(window->btnCheck->isEnabled());
    EXPECT_EQ(window->btnCheck->text(), QString::fromUtf8("Verifică status"));
    EXPECT_TRUE(window->btnCheckAll->isEnabled());
    EXPECT_EQ(window->btnCheckAll->text(), QString::fromUtf8("Verifică toate acum"));
    // The one-off check, which the user asked for, went ahead of bob's queued periodic check
    // (and of alice's too when the worker had not taken hers up yet); the round keeps its order.
    const std::vector<std::string> asked = held.Asked();
    const std::vector<std::string> aliceFirst{"alice", "carol", "bob"};
    const std::vector<std::string> carolFirst{"carol", "alice", "bob"};
    EXPECT_TRUE(asked == aliceFirst || asked == carolFirst) << testing::PrintToString(asked);
    network.Install(); // before `held` goes
}

TEST_F(WorkerWindowTest, DeletingAnEntryDuringItsCheckAppliesNothingToIt) {
    StoreList({QStringLiteral("alice"), QStringLiteral("bob")});
    StartThreaded();
    ASSERT_TRUE(AskedAtLeast(1));
    Select(0);
    boxes.answers = {IDYES};
    window->btnDeleteClick();
    ASSERT_EQ(Rows(), 1);
    network.Answer("alice", bsOnline);
    network.Answer("bob", bsOnline);
    ASSERT_TRUE(PumpUntil([this] { return !window->Buddies().List[0]->CheckUnderWay(); }));
    EXPECT_EQ(BalloonTexts(), std::vector<QString>{QStringLiteral("bob is now ONLINE")});
    EXPECT_EQ(Cell(0, 3), QStringLiteral("ONLINE"));
}

TEST_F(WorkerWindowTest, EditingTheIdDuringACheckGivesTheOldAnswerToNoOne) {
    StoreList({QStringLiteral("alice")});
    StartThreaded();
    network.Answer("alice", bsOffline);
    ASSERT_TRUE(PumpUntil([this] { return Cell(0, 3) == QStringLiteral("OFFLINE"); }));
    const QString lastCheck = Cell(0, 2);

    TLateNetwork held;
    held.Install();
    Select(0);
    window->btnCheckClick();
    ASSERT_TRUE(PumpUntil([&] { return !held.Asked().empty(); }));
    dialogScript.push_back(Type(QStringLiteral("Carol"), QStringLiteral("5")));
    window->btnEditClick();
    held.Answer("alice", bsOnline);
    held.Answer("carol", bsOnline);
    PumpUntil([] { return false; }, 100);
    EXPECT_TRUE(tray->balloons.empty());
    EXPECT_EQ(Cell(0, 0), QStringLiteral("carol"));
    EXPECT_EQ(Cell(0, 2), lastCheck); // kept, as an edit keeps them
    EXPECT_EQ(Cell(0, 3), QStringLiteral("OFFLINE"));
    EXPECT_EQ(held.Asked(), std::vector<std::string>{"alice"}); // an edit checks nothing
    network.Install();
}

// An entry that never had an answer would say nothing until its timer: its new ID is asked.
TEST_F(WorkerWindowTest, EditingAnEntryAwaitingItsFirstAnswerAsksTheNewId) {
    StartThreaded();
    dialogScript.push_back(Type(QStringLiteral("bobb"), QStringLiteral("1")));
    window->btnAddClick();
    ASSERT_TRUE(AskedAtLeast(1));
    Select(0);
    dialogScript.push_back(Type(QStringLiteral("bob"), QStringLiteral("1")));
    window->btnEditClick();
    EXPECT_EQ(Cell(0, 3), QStringLiteral("CHECKING..."));
    network.Answer("bobb", bsOnline);
    network.Answer("bob", bsOffline);
    ASSERT_TRUE(PumpUntil([this] { return Cell(0, 3) == QStringLiteral("OFFLINE"); }));
    EXPECT_EQ(network.Asked(), (std::vector<std::string>{"bobb", "bob"}));
    EXPECT_TRUE(tray->balloons.empty());
}

// Exit with a check that never ends: the fetch is abandoned, nothing lands, the list is saved.
TEST_F(WorkerWindowTest, ExitDuringACheckEndsAtOnceAndSavesTheList) {
    StoreList({QStringLiteral("alice")});
    StartThreaded();
    ASSERT_TRUE(AskedAtLeast(1));
    bool ended = false;
    {
        TExitPaths exits(*window, [&] { ended = true; });
        window->show();
        window->btnExitClick();
    }
    EXPECT_TRUE(ended);
    EXPECT_TRUE(tray->balloons.empty());
    QElapsedTimer exiting;
    exiting.start();
    window.reset();
    EXPECT_LT(exiting.elapsed(), 1000);
    EXPECT_EQ(network.Cancelled(), 1); // the fetch ended by its token, not by an answer
    EXPECT_EQ(Store()->value(QStringLiteral("Items/User0")).toString(), QStringLiteral("alice"));
    EXPECT_EQ(Store()->value(QStringLiteral("General/CloseToTray")).toString(),
              QStringLiteral("1"));
}

// An exit while the remote settings are awaited leaves the stored list as it was.
TEST_F(WorkerWindowTest, ExitBeforeTheSettingsArriveWritesNoList) {
    TLoopbackServer silent({{step::ReadRequest(), step::HoldOpen()}});
    qputenv("ZENTRILO_SITE", silent.HostPort().c_str());
    StoreList({QStringLiteral("alice"), QStringLiteral("bob")});
    Store()->setValue(QStringLiteral("General/CloseToTray"), QStringLiteral("0"));
    Start(true);
    ASSERT_TRUE(PumpUntil([&] { return !silent.Requests().empty(); }));
    EXPECT_FALSE(window->btnHistory->isEnabled()); // nor does the history open yet
    EXPECT_FALSE(window->History1->isEnabled());
    window->WMQueryEndSession(); // a save request then changes nothing either
    QElapsedTimer exiting;
    exiting.start();
    window.reset();
    EXPECT_LT(exiting.elapsed(), 1000);
    const auto store = Store();
    EXPECT_EQ(store->value(QStringLiteral("Items/User0")).toString(), QStringLiteral("alice"));
    EXPECT_EQ(store->value(QStringLiteral("Items/User1")).toString(), QStringLiteral("bob"));
    EXPECT_EQ(store->value(QStringLiteral("General/CloseToTray")).toString(), QStringLiteral("0"));
    EXPECT_TRUE(network.Asked().empty());
    EXPECT_TRUE(QDir(dataDir.path()).isEmpty()); // no history begun or ended
    qunsetenv("ZENTRILO_SITE");
}

// The retired program's warning still comes after the first checks' balloons, then the update
// offer, then the end.
TEST_F(WorkerWindowTest, RetirementKeepsItsOrderAfterTheFirstChecks) {
    TLoopbackServer site(
        {{step::ReadRequest(),
          step::Send(HttpReply("200 OK", "[Settings]\r\nactive=0\r\n"
                                         "lastversion=9.9.9\r\nreleaseyear=2999\r\n")),
          step::Close()}});
    qputenv("ZENTRILO_SITE", site.HostPort().c_str());
    StoreList({QStringLiteral("alice")});
    std::vector<std::size_t> boxesAtBalloon;
    network.Answer("alice", bsOnline);
    Start(true);
    tray->clickableProbe = [&] {
        boxesAtBalloon.push_back(boxes.shown.size());
        return true;
    };
    ASSERT_TRUE(PumpUntil([this] { return window->ExitRequested; }));
    EXPECT_EQ(boxesAtBalloon, std::vector<std::size_t>{0}); // the balloon came before any box
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0].text, DiscontinuedText());
    EXPECT_EQ(boxes.shown[1].kind, TMessageKind::Question);
    qunsetenv("ZENTRILO_SITE");
}

// The one-off check's clearing countdown starts when its result is shown, however the check was
// started: neither the release of the Enter that started it nor typing meanwhile clears the
// "Checking..." of a slow host.
TEST_F(WorkerWindowTest, TheClearingCountdownStartsWithTheResult) {
    StartThreaded();
    window->edBuddyID->setText(QStringLiteral("dave"));
    Key(window->edBuddyID, Qt::Key_Return);
    ASSERT_TRUE(AskedAtLeast(1));
    EXPECT_EQ(window->lbStatus->text(), QStringLiteral("Checking..."));
    EXPECT_FALSE(window->ClearStatusTimer->isActive());
    Key(window->edBuddyID, Qt::Key_Shift);
    EXPECT_FALSE(window->ClearStatusTimer->isActive());
    network.Answer("dave", bsOnline);
    ASSERT_TRUE(
        PumpUntil([this] { return window->lbStatus->text() == QStringLiteral("dave is ONLINE"); }));
    EXPECT_TRUE(window->ClearStatusTimer->isActive());
    EXPECT_EQ(window->ClearStatusTimer->interval(), 15000);
}

} // namespace
