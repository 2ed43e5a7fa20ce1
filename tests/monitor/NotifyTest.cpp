// What becomes of a change besides its status: the contact's choice of balloons, a pause, the
// recent changes, a source's outage said once, and what the tray says of the list.
#include "monitor/Check.h"
#include "monitor/NotifyChoice.h"
#include "monitor/NotifyPause.h"
#include "monitor/RecentChanges.h"
#include "monitor/Record.h"
#include "monitor/TraySummary.h"
#include "tests/monitor/MonitorFakes.h"

#include <gtest/gtest.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

class NotifyTest : public ::testing::Test {
protected:
    NotifyTest()
        : backend_(new TRecordingTrayBackend), tray_(std::unique_ptr<ITrayBackend>(backend_)) {
        context_.tray = &tray_;
        context_.worker = &worker_;
        context_.recent = &recent_;
        context_.pause = &pause_;
        context_.now = [this] { return now_; };
    }

    // A new entry of `source` with `notify`, first found `first`.
    TRecord& Entry(const QString& source, const QString& notify, const QByteArray& first) {
        entries_.push_back(std::make_unique<TRecord>(context_));
        TRecord& entry = *entries_.back();
        entry.SetID(u"bob"_s);
        entry.SetSource(source);
        entry.Notify = notify;
        Answer(entry, first);
        return entry;
    }
    // One check of the entry answered with `reply` (empty: the fetch fails).
    void Answer(TRecord& entry, const QByteArray& reply) {
        fetch_.ok = !reply.isEmpty();
        fetch_.failure = "Connection refused";
        fetch_.reply = reply;
        entry.CheckStatus();
    }
    QStringList Texts() const {
        QStringList texts;
        for (const TShownBalloon& balloon : backend_->balloons)
            texts << balloon.text;
        return texts;
    }

    static inline const QByteArray kOnline = R"([{"online":true}])";
    static inline const QByteArray kOffline = R"([{"online":false}])";

    TFakeSourceFetcher fetch_;
    TInlineWorker worker_;
    TRecordingTrayBackend* backend_;
    TTrayIcon tray_;
    TRecentChanges recent_;
    TNotifyPause pause_;
    QDateTime now_ = QDateTime(QDate(2026, 12, 9), QTime(14, 3));
    TCheckContext context_;
    std::vector<std::unique_ptr<TRecord>> entries_;
    TFakeShellLauncher shell_;
    TLanguageScope english_{true};
};

// The choice filters the balloons only: every change is applied and listed.
TEST_F(NotifyTest, TheContactsChoiceDecidesWhichChangesShow) {
    const struct {
        const char* stored;
        bool online;  // offline -> online shows
        bool offline; // online -> offline shows
    } cases[] = {{"", true, true},         {"both", true, true},   {"online", true, false},
                 {"offline", false, true}, {"none", false, false}, {"sometimes", true, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        backend_->balloons.clear();
        TRecord& entry = Entry(u"Lichess"_s, QString::fromUtf8(c.stored), kOffline);
        Answer(entry, kOnline);
        Answer(entry, kOffline);
        QStringList expected;
        if (c.online)
            expected << u"bob is now ONLINE on Lichess"_s;
        if (c.offline)
            expected << u"bob is now OFFLINE on Lichess"_s;
        EXPECT_EQ(Texts(), expected);
        EXPECT_EQ(entry.LastStatus, bsOffline);
        ASSERT_GE(recent_.Items().size(), 2u);
        EXPECT_EQ(recent_.Items()[0].code, bsOffline);
        EXPECT_EQ(recent_.Items()[1].code, bsOnline);
    }
}

TEST(NotifyChoiceTest, StoredWordsReadBackAndUnknownOnesMeanBoth) {
    for (const TNotifyChoice choice :
         {TNotifyChoice::Both, TNotifyChoice::Online, TNotifyChoice::Offline, TNotifyChoice::None})
        EXPECT_EQ(NotifyChoiceOf(NotifyChoiceWord(choice)), choice);
    for (const char* other : {"", "BOTH", "never", " online"})
        EXPECT_EQ(NotifyChoiceOf(QString::fromUtf8(other)), TNotifyChoice::Both) << other;
}

// Paused changes are applied and listed but show nothing; an hour's pause ends with the hour,
// the other when it is turned off.
TEST_F(NotifyTest, APauseHidesChangesButKeepsThemAndTheHourEnds) {
    TRecord& entry = Entry(u"Lichess"_s, {}, kOffline);
    pause_.PauseForHour(now_);
    Answer(entry, kOnline);
    EXPECT_TRUE(backend_->balloons.empty());
    EXPECT_EQ(entry.LastStatus, bsOnline);
    ASSERT_EQ(recent_.Items().size(), 1u);
    now_ = now_.addSecs(59 * 60);
    Answer(entry, kOffline);
    EXPECT_TRUE(backend_->balloons.empty());
    now_ = now_.addSecs(60);
    EXPECT_FALSE(pause_.PausedForHour(now_));
    Answer(entry, kOnline);
    EXPECT_EQ(Texts(), QStringList{u"bob is now ONLINE on Lichess"_s});
    pause_.PauseUntilResumed();
    now_ = now_.addDays(2);
    Answer(entry, kOffline);
    EXPECT_EQ(backend_->balloons.size(), 1u);
    pause_.Resume();
    Answer(entry, kOnline);
    EXPECT_EQ(backend_->balloons.size(), 2u);
    EXPECT_EQ(recent_.Items().size(), 5u);
}

// Ten at most, newest first, worded in the language of the moment; a click does what the
// balloon's does.
TEST_F(NotifyTest, RecentChangesKeepTheLatestTenNewestFirst) {
    TRecord& entry = Entry(u"Lichess"_s, {}, kOffline);
    for (int i = 0; i < 12; ++i) {
        now_ = now_.addSecs(60);
        Answer(entry, i % 2 == 0 ? kOnline : kOffline);
    }
    ASSERT_EQ(recent_.Items().size(), TRecentChanges::kLimit);
    const TRecentChange& newest = recent_.Items().front();
    EXPECT_EQ(TRecentChanges::Text(newest), u"14:15  bob is now OFFLINE on Lichess"_s);
    EXPECT_EQ(TRecentChanges::Text(recent_.Items().back()),
              u"14:06  bob is now ONLINE on Lichess"_s);
    {
        TLanguageScope romanian(false);
        EXPECT_EQ(TRecentChanges::Text(newest), u"14:15  bob este acum OFFLINE pe Lichess"_s);
    }
    EXPECT_FALSE(newest.action);
    recent_.Items()[1].action();
    EXPECT_EQ(shell_.opened, std::vector<QString>{u"https://lichess.org/@/bob"_s});
}

// Three ERRORs in a row after a status are said once, the return once; the own service and an
// entry that never had a status stay silent.
TEST_F(NotifyTest, AnOutageOfAnotherSourceIsSaidOncePerOutage) {
    const QString down = u"Cannot check bob on Lichess: "_s;
    const QString back = u"bob on Lichess can be checked again"_s;
    const QString downRo = u"Nu pot verifica bob pe Lichess: "_s;
    const QString backRo = u"bob pe Lichess poate fi verificat din nou"_s;
    const struct {
        const char* name;
        bool english;
        QString source;
        std::vector<QByteArray> replies; // after a first OFFLINE; empty: a failure
        QStringList said;                // the prefixes of what was said, in order
    } cases[] = {
        {"two errors", true, u"Lichess"_s, {{}, {}, kOffline}, {}},
        {"one outage", true, u"Lichess"_s, {{}, {}, {}, {}, {}, kOffline}, {down, back}},
        {"Romanian", false, u"Lichess"_s, {{}, {}, {}, kOffline}, {downRo, backRo}},
        {"two outages", true, u"Lichess"_s, {{}, {}, {}, kOffline, {}, {}, {}}, {down, back, down}},
        {"own service", true, QString(), {{}, {}, {}, {}}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TLanguageScope language(c.english);
        TFakeFetcher own; // the own service answers OFFLINE once, then fails
        own.ok = false;
        own.replies.push_back(ServiceReply(bsOffline));
        backend_->balloons.clear();
        TRecord& entry = Entry(c.source, {}, kOffline);
        EXPECT_EQ(entry.LastStatus, bsOffline);
        for (const QByteArray& reply : c.replies)
            Answer(entry, reply);
        const QStringList texts = Texts();
        ASSERT_EQ(texts.size(), c.said.size());
        for (qsizetype i = 0; i < texts.size(); ++i)
            EXPECT_TRUE(texts[i].startsWith(c.said[i])) << texts[i].toStdString();
        if (!texts.isEmpty()) { // with the reason the row gives
            EXPECT_TRUE(texts[0].contains(u"Connection refused"_s)) << texts[0].toStdString();
        }
    }
    TRecord& never = Entry(u"Lichess"_s, {}, {});
    backend_->balloons.clear();
    for (int i = 0; i < 4; ++i)
        Answer(never, {});
    EXPECT_TRUE(backend_->balloons.empty());
}

} // namespace
