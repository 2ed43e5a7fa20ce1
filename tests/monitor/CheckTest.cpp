#include "monitor/Check.h"

#include "history/HistoryStore.h"
#include "monitor/Record.h"
#include "tests/monitor/MonitorFakes.h"
#include "tests/shell/EventPump.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <limits>

using namespace Qt::StringLiterals;

namespace {

// One tray with a recording backend, scripted service replies (a failed fetch once they run
// out) and recorded row refreshes.
class CheckTest : public ::testing::Test {
protected:
    CheckTest()
        : backend_(new TRecordingTrayBackend), tray_(std::unique_ptr<ITrayBackend>(backend_)) {
        fetcher_.ok = false;
        context_.tray = &tray_;
        context_.worker = &worker_;
        context_.refreshRow = [this](TRecord& entry) { refreshed_.push_back(entry.LastStatus); };
        context_.now = [] { return QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9)); };
        LastNotifiedID.clear();
    }

    // One entry with `before` as its last status, checked once with the answer `code`.
    void CheckOnce(TRecord& entry, TBuddyStatus code) {
        fetcher_.replies.push_back(ServiceReply(code));
        entry.CheckStatus();
    }

    TFakeFetcher fetcher_;
    TInlineWorker worker_;
    TRecordingTrayBackend* backend_;
    TTrayIcon tray_;
    TCheckContext context_;
    std::vector<TBuddyStatus> refreshed_;
    TFakeShellLauncher shell_;
    TFakeMessageBoxes boxes_;
};

enum TBalloonKind { None, Clickable, NotClickable };

TEST_F(CheckTest, TransitionTable) {
    const TBuddyStatus befores[] = {bsOnline, bsOffline, bsInvisible, bsNotScanned, bsError, 10};
    const TBuddyStatus codes[] = {bsOnline, bsOffline, bsInvisible, bsError, 10, bsNotScanned};
    // Rows: before; columns: the new code, in the orders above.
    const TBalloonKind table[6][6] = {
        {None, NotClickable, Clickable, None, None, None},
        {Clickable, None, Clickable, None, None, None},
        {Clickable, NotClickable, None, None, None, None},
        {Clickable, None, Clickable, None, None, None},
        {Clickable, None, Clickable, None, None, None},
        {Clickable, None, Clickable, None, None, None},
    };
    for (int row = 0; row < 6; ++row) {
        for (int column = 0; column < 6; ++column) {
            backend_->balloons.clear();
            tray_.OnBalloonClick = nullptr;
            TRecord entry(context_);
            entry.SetID(QStringLiteral("bob"));
            entry.LastStatus = befores[row];
            CheckOnce(entry, codes[column]);
            const TBalloonKind kind = table[row][column];
            SCOPED_TRACE(::testing::Message() << int(befores[row]) << " -> " << int(codes[column]));
            EXPECT_EQ(entry.LastStatus, codes[column]);
            ASSERT_EQ(backend_->balloons.size(), kind == None ? 0u : 1u);
            if (kind == None)
                continue;
            EXPECT_EQ(bool(tray_.OnBalloonClick), kind == Clickable);
            EXPECT_EQ(backend_->balloons[0].title.isEmpty(), kind == NotClickable);
            EXPECT_EQ(backend_->balloons[0].flags, bfInfo);
            EXPECT_EQ(backend_->balloons[0].timeoutMs, 5000);
            EXPECT_EQ(backend_->balloons[0].category,
                      kind == Clickable ? "presence.online" : "presence.offline");
            EXPECT_EQ(bool(backend_->balloons[0].action), kind == Clickable);
        }
    }
}

TEST_F(CheckTest, BalloonTextsInBothLanguages) {
    const struct {
        bool english;
        TBuddyStatus code;
        const char16_t* title;
        const char16_t* text;
    } cases[] = {
        {true, bsOnline, u"Click to send bob a message", u"bob is now ONLINE"},
        {true, bsInvisible, u"Click to send bob a message", u"bob is now ONLINE (INVISIBLE)"},
        {false, bsOnline, u"F\u0103 clic pentru a-i trimite lui bob un mesaj",
         u"bob este acum ONLINE"},
        {false, bsInvisible, u"F\u0103 clic pentru a-i trimite lui bob un mesaj",
         u"bob este acum ONLINE (INVIZIBIL)"},
        {true, bsOffline, u"", u"bob is now OFFLINE"},
        {false, bsOffline, u"", u"bob este acum OFFLINE"},
    };
    for (const auto& c : cases) {
        TLanguageScope language(c.english);
        backend_->balloons.clear();
        TRecord entry(context_);
        entry.SetID(QStringLiteral("Bob"));
        entry.LastStatus = c.code == bsOffline ? bsOnline : bsOffline;
        CheckOnce(entry, c.code);
        ASSERT_EQ(backend_->balloons.size(), 1u);
        EXPECT_EQ(backend_->balloons[0].title, QString::fromUtf16(c.title));
        EXPECT_EQ(backend_->balloons[0].text, QString::fromUtf16(c.text));
    }
}

TEST_F(CheckTest, IdWithPlaceholdersIsInsertedLiterally) {
    TRecord entry(context_);
    entry.SetID(QStringLiteral("a%2b%1"));
    CheckOnce(entry, bsOnline);
    ASSERT_EQ(backend_->balloons.size(), 1u);
    EXPECT_EQ(backend_->balloons[0].title, QStringLiteral("Click to send a%2b%1 a message"));
    EXPECT_EQ(backend_->balloons[0].text, QStringLiteral("a%2b%1 is now ONLINE"));
}

TEST_F(CheckTest, CheckStoresTimeAndStatusThenRefreshesTheRow) {
    TRecord entry(context_);
    entry.SetID(QStringLiteral("bob"));
    CheckOnce(entry, bsError);
    EXPECT_EQ(entry.LastCheck, QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9)));
    EXPECT_EQ(refreshed_, std::vector<TBuddyStatus>{bsError});
    EXPECT_TRUE(backend_->balloons.empty());
    EXPECT_TRUE(boxes_.shown.empty());
}

// Each applied result is in the history before the row shows it, under the entry's ID on its
// source, dated by the start of its check and not by the store's clock.
TEST_F(CheckTest, AppliedResultsAreRecordedAtTheStartOfTheirCheck) {
    QTemporaryDir folder;
    THistoryStore history(folder.filePath(QStringLiteral("history.sqlite")), {},
                          [] { return QDateTime(QDate(2030, 1, 1), QTime(0, 0), Qt::UTC); });
    context_.history = &history;
    const auto recorded = [&] {
        return history.Changes(std::numeric_limits<qint64>::min(),
                               std::numeric_limits<qint64>::max());
    };
    std::vector<std::size_t> atRefresh;
    context_.refreshRow = [&](TRecord&) { atRefresh.push_back(recorded().size()); };
    TRecord entry(context_);
    entry.SetID(QStringLiteral(" Bob"));
    for (const TBuddyStatus code : {bsOffline, bsOffline, bsOnline})
        CheckOnce(entry, code);
    EXPECT_EQ(atRefresh, (std::vector<std::size_t>{1, 1, 2}));
    const auto changes = recorded();
    ASSERT_EQ(changes.size(), 2u);
    const qint64 started = context_.now().toMSecsSinceEpoch();
    for (const THistoryChange& change : changes) {
        EXPECT_EQ(change.Key, (THistoryKey{QStringLiteral("bob"), QStringLiteral("Zentrilo")}));
        EXPECT_EQ(change.TimeMs, started);
    }
    EXPECT_EQ(changes[0].To, bsOffline);
    EXPECT_EQ(changes[1].From, bsOffline);
    EXPECT_EQ(changes[1].To, bsOnline);
}

// The first result of each run is written even when it repeats the status the run before ended
// with: nobody checked in between.
TEST_F(CheckTest, TheFirstResultOfEachRunIsRecorded) {
    QTemporaryDir folder;
    THistoryStore history(folder.filePath(QStringLiteral("history.sqlite")));
    context_.history = &history;
    TRecord entry(context_);
    entry.SetID(QStringLiteral("bob"));
    for (int run = 0; run < 2; ++run) {
        history.BeginRun();
        CheckOnce(entry, bsOnline);
        CheckOnce(entry, bsOnline);
        history.EndRun();
    }
    const auto changes =
        history.Changes(std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max());
    ASSERT_EQ(changes.size(), 2u);
    for (const THistoryChange& change : changes) {
        EXPECT_EQ(change.From, kHistoryNotChecked);
        EXPECT_EQ(change.To, bsOnline);
    }
    EXPECT_EQ(history.Spans().size(), 2u);
}

TEST_F(CheckTest, CheckAllTwoComingOnlineTheLaterWinsTheClick) {
    Tobjs list(context_);
    list.Add(QStringLiteral("ann"), 1);
    list.Add(QStringLiteral("bob"), 1);
    fetcher_.replies = {ServiceReply(bsOnline), ServiceReply(bsOnline)};
    list.CheckAll();
    ASSERT_EQ(backend_->balloons.size(), 2u);
    EXPECT_EQ(backend_->balloons[0].text, QStringLiteral("ann is now ONLINE"));
    EXPECT_EQ(backend_->balloons[1].text, QStringLiteral("bob is now ONLINE"));
    backend_->balloonClicked();
    EXPECT_EQ(shell_.opened, std::vector<QString>{QStringLiteral("ymsgr:sendim?bob&m=")});
}

TEST_F(CheckTest, EveryOnlineBalloonKeepsItsOwnActionWhateverCameAfter) {
    Tobjs list(context_);
    list.Add(QStringLiteral("ann"), 1);
    list.Add(QStringLiteral("bob"), 1);
    list.Add(QStringLiteral("cid"), 1);
    list.List[2]->LastStatus = bsOnline;
    fetcher_.replies = {ServiceReply(bsOnline), ServiceReply(bsInvisible), ServiceReply(bsOffline)};
    list.CheckAll();
    ASSERT_EQ(backend_->balloons.size(), 3u);
    EXPECT_FALSE(backend_->balloons[2].action); // cid went offline
    for (int round = 0; round < 2; ++round) {
        backend_->balloons[1].action();
        backend_->balloons[0].action();
    }
    const QString ann = QStringLiteral("ymsgr:sendim?ann&m=");
    const QString bob = QStringLiteral("ymsgr:sendim?bob&m=");
    EXPECT_EQ(shell_.opened, (std::vector<QString>{bob, ann, bob, ann}));
}

TEST_F(CheckTest, OfflineBalloonDetachesTheClickButKeepsLastNotifiedId) {
    TRecord ann(context_), bob(context_);
    ann.SetID(QStringLiteral("ann"));
    bob.SetID(QStringLiteral("bob"));
    CheckOnce(ann, bsOnline);
    bob.LastStatus = bsOnline;
    CheckOnce(bob, bsOffline);
    EXPECT_EQ(LastNotifiedID, QStringLiteral("ann"));
    backend_->balloonClicked();
    EXPECT_TRUE(shell_.opened.empty());
}

TEST_F(CheckTest, ErrorInBetween) {
    TRecord entry(context_);
    entry.SetID(QStringLiteral("bob"));
    for (TBuddyStatus code : {bsOnline, bsError, bsOnline, bsError, bsOffline})
        CheckOnce(entry, code);
    ASSERT_EQ(backend_->balloons.size(), 2u); // online, online again; offline after error silent
    EXPECT_EQ(backend_->balloons[1].text, QStringLiteral("bob is now ONLINE"));
    EXPECT_EQ(entry.LastStatus, bsOffline);
}

TEST_F(CheckTest, CodeWithoutAWordIsStoredSilentlyThenOnlineAnnounces) {
    TRecord entry(context_);
    entry.SetID(QStringLiteral("bob"));
    entry.LastStatus = bsOnline;
    CheckOnce(entry, 10);
    EXPECT_EQ(entry.LastStatus, 10);
    EXPECT_TRUE(backend_->balloons.empty());
    CheckOnce(entry, bsOnline);
    EXPECT_EQ(backend_->balloons.size(), 1u);
}

TEST_F(CheckTest, NoTrayMeansNoBalloonButTheResultIsStored) {
    context_.tray = nullptr;
    TRecord entry(context_);
    CheckOnce(entry, bsOnline);
    EXPECT_EQ(entry.LastStatus, bsOnline);
    EXPECT_TRUE(backend_->balloons.empty());
}

TEST_F(CheckTest, BalloonClickOpensTheChatUnescapedAndReportsAFailure) {
    LastNotifiedID = QStringLiteral("a b&c");
    TrayIconBalloonClick();
    EXPECT_EQ(shell_.opened, std::vector<QString>{QStringLiteral("ymsgr:sendim?a b&c&m=")});
    EXPECT_TRUE(boxes_.shown.empty());
    shell_.succeed = false;
    TrayIconBalloonClick();
    ASSERT_EQ(boxes_.shown.size(), 1u);
    EXPECT_EQ(boxes_.shown[0].kind, TMessageKind::Warning);
    EXPECT_TRUE(boxes_.shown[0].text.contains(QStringLiteral("ymsgr:sendim?a b&c&m=")));
}

// Sources other than the own service: the balloon names the source, and a click on an online
// one opens the source's page of the ID (where it has one), Qt's own balloon included.
TEST_F(CheckTest, SourceBalloonsNameTheSourceAndOpenItsPage) {
    TSourceCatalogue catalogue(
        {UserSource(u"My games"_s, u"https://games.example/%s"_s, u"text:on"_s, {})});
    context_.sources = &catalogue;
    TFakeSourceFetcher source;
    const QString lichess = u"https://lichess.org/@/bob"_s;
    const struct {
        bool english;
        const char* source; // as the slot stores it
        QByteArray reply;
        TBuddyStatus before;
        const char16_t* title;
        const char16_t* text;
        QString opens; // empty: no click
    } cases[] = {
        {true, "lichess", R"([{"online":true}])", bsOffline, u"Click to open bob on Lichess",
         u"bob is now ONLINE on Lichess", lichess},
        {false, "Lichess", R"([{"online":true}])", bsNotScanned,
         u"F\u0103 clic pentru a deschide pagina lui bob de pe Lichess",
         u"bob este acum ONLINE pe Lichess", lichess},
        {true,
         "Lichess",
         R"([{"online":false}])",
         bsOnline,
         u"",
         u"bob is now OFFLINE on Lichess",
         {}},
        {false, "my GAMES", "on", bsOffline, u"", u"bob este acum ONLINE pe My games", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.source);
        TLanguageScope language(c.english);
        backend_->balloons.clear();
        shell_.opened.clear();
        source.reply = c.reply;
        TRecord entry(context_);
        entry.SetID(u"Bob"_s);
        entry.SetSource(QString::fromUtf8(c.source));
        entry.LastStatus = c.before;
        entry.CheckStatus();
        ASSERT_EQ(backend_->balloons.size(), 1u);
        const TShownBalloon& balloon = backend_->balloons[0];
        EXPECT_EQ(balloon.title, QString::fromUtf16(c.title));
        EXPECT_EQ(balloon.text, QString::fromUtf16(c.text));
        EXPECT_EQ(bool(balloon.action), !c.opens.isEmpty());
        EXPECT_EQ(bool(tray_.OnBalloonClick), !c.opens.isEmpty());
        if (c.opens.isEmpty())
            continue;
        balloon.action();
        backend_->balloonClicked();
        EXPECT_EQ(shell_.opened, (std::vector<QString>{c.opens, c.opens}));
    }
    EXPECT_TRUE(fetcher_.urls.empty()) << "the own service was not asked";
}

// A slot naming a source that is gone keeps the name and checks as ERROR with the reason,
// through the worker like any check, without a fetch.
TEST_F(CheckTest, AGoneSourceIsAnErrorWithItsReason) {
    TFakeSourceFetcher source;
    TRecord entry(context_);
    entry.SetID(u"bob"_s);
    entry.SetSource(u"Gone"_s);
    entry.CheckStatus();
    EXPECT_EQ(entry.LastStatus, bsError);
    EXPECT_EQ(entry.LastFailure, TPresenceFailure::UnknownSource);
    EXPECT_EQ(entry.LastFailureDetail, u"Gone"_s);
    EXPECT_EQ(entry.Source, u"Gone"_s);
    EXPECT_EQ(refreshed_, std::vector<TBuddyStatus>{bsError});
    EXPECT_TRUE(source.urls.empty());
    EXPECT_TRUE(fetcher_.urls.empty());
    // A later answer clears the reason.
    entry.SetSource(u"Steam"_s);
    source.reply = "<profile><onlineState>offline</onlineState></profile>";
    entry.CheckStatus();
    EXPECT_EQ(entry.LastStatus, bsOffline);
    EXPECT_EQ(entry.LastFailure, TPresenceFailure::None);
}

// A 429 holds the entry's checks for the wait; one asked for meanwhile is made when it ends, and
// a change of source ends the other source's wait at once.
TEST_F(CheckTest, TooManyRequestsHoldsTheEntrysChecks) {
    TFakeSourceFetcher source;
    source.ok = false;
    source.status = 429;
    source.failure = "HTTP/1.1 429 Too Many Requests";
    context_.tooManyRequestsPauseMs = 40;
    TRecord entry(context_);
    entry.SetID(u"bob"_s);
    entry.SetSource(u"Lichess"_s);
    entry.CheckStatus();
    EXPECT_EQ(entry.LastStatus, bsError);
    EXPECT_EQ(entry.LastFailureDetail, u"HTTP/1.1 429 Too Many Requests"_s);
    EXPECT_TRUE(entry.ChecksHeld());
    source.ok = true;
    source.status = 200;
    source.reply = R"([{"online":true}])";
    entry.CheckStatus();
    entry.CheckStatus();
    EXPECT_EQ(source.urls.size(), 1u) << "asked again during the wait";
    ASSERT_TRUE(PumpUntil([&] { return source.urls.size() == 2; }));
    EXPECT_EQ(entry.LastStatus, bsOnline);
    EXPECT_FALSE(entry.ChecksHeld());
    PumpUntil([] { return false; }, 60);
    EXPECT_EQ(source.urls.size(), 2u) << "one check for the requests of the wait";

    source.status = 429;
    source.ok = false;
    context_.tooManyRequestsPauseMs = 60000;
    entry.CheckStatus();
    entry.CheckStatus();
    ASSERT_TRUE(entry.ChecksHeld());
    source.ok = true;
    source.status = 200;
    source.reply = "<onlineState>online</onlineState>";
    entry.SetSource(u"Steam"_s);
    EXPECT_FALSE(entry.ChecksHeld());
    EXPECT_EQ(source.urls.back(), "https://steamcommunity.com/id/bob/?xml=1");
    EXPECT_EQ(entry.LastStatus, bsOnline);
}

} // namespace
