#include "monitor/Record.h"
#include "monitor/Check.h"

#include "tests/monitor/MonitorFakes.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace {

// IDs of the queries so far, from the recorded URLs.
QStringList QueriedIds(const TFakeFetcher& fetcher) {
    QStringList ids;
    for (const std::string& url : fetcher.urls) {
        const auto start = url.find("yid=") + 4;
        ids << QString::fromStdString(url.substr(start, url.find('&', start) - start));
    }
    return ids;
}

// A context without a tray whose queries are recorded and all answer offline.
class RecordTest : public ::testing::Test {
protected:
    RecordTest() {
        fetcher_.reply = ServiceReply(bsOffline);
        context_.worker = &worker_;
    }
    QStringList Queried() const { return QueriedIds(fetcher_); }

    TFakeFetcher fetcher_;
    TInlineWorker worker_;
    TCheckContext context_;
};

TEST_F(RecordTest, SetIntervalFloorsAtOneAndSetsThePeriod) {
    const struct {
        int minutes;
        int stored;
        qint64 periodMs;
    } cases[] = {
        {0, 1, 60000},
        {-3, 1, 60000},
        {1, 1, 60000},
        {15, 15, 900000},
        {35791, 35791, 2147460000}, // the largest that fits one timer period
        {35792, 35792, 2147520000}, // just above
        {INT_MAX, INT_MAX, qint64(INT_MAX) * 60000},
    };
    for (const auto& c : cases) {
        TRecord entry(context_);
        entry.SetInterval(c.minutes);
        EXPECT_EQ(entry.Interval, c.stored);
        EXPECT_EQ(entry.PeriodMs(), c.periodMs);
        EXPECT_EQ(entry.Timer().interval(),
                  static_cast<int>(std::min(c.periodMs, TRecord::kMaxTimerPeriodMs)));
        EXPECT_GT(entry.Timer().interval(), 0) << "never wraps to a shorter period";
    }
}

TEST_F(RecordTest, AHugePeriodChecksOnlyAfterAllItsPieces) {
    TRecord entry(context_);
    entry.LastStatus = bsOffline; // enabling then does not check at once
    entry.SetInterval(100000);    // 6e9 ms: two full pieces and a remainder
    entry.SetEnabled(true);
    const qint64 period = entry.PeriodMs();
    qint64 elapsed = 0;
    for (int tick = 0; tick < 10 && Queried().isEmpty(); ++tick) {
        elapsed += entry.Timer().interval();
        entry.Tick();
    }
    EXPECT_EQ(elapsed, period);
    EXPECT_EQ(Queried().size(), 1);
    // The next round counts the full period again.
    EXPECT_EQ(entry.Timer().interval(), TRecord::kMaxTimerPeriodMs);
    EXPECT_TRUE(entry.Enabled());
}

TEST_F(RecordTest, AnOrdinaryTickChecksEveryTime) {
    TRecord entry(context_);
    entry.LastStatus = bsOffline;
    entry.SetInterval(2);
    entry.Tick();
    entry.Tick();
    EXPECT_EQ(Queried().size(), 2);
    EXPECT_EQ(entry.Timer().interval(), 120000);
}

// Ticks until the entry checks; the number of ticks that took.
int TicksUntilCheck(TRecord& entry, const TFakeFetcher& fetcher) {
    const auto before = fetcher.urls.size();
    int ticks = 0;
    while (fetcher.urls.size() == before && ticks < 10) {
        entry.Tick();
        ++ticks;
    }
    return ticks;
}

TEST_F(RecordTest, SameIntervalKeepsTheCountdownANewOneRestartsIt) {
    TRecord entry(context_);
    entry.LastStatus = bsOffline;
    entry.SetInterval(100000); // three timer pieces
    entry.SetEnabled(true);
    entry.Tick();
    entry.SetInterval(100000);
    EXPECT_EQ(TicksUntilCheck(entry, fetcher_), 2);

    entry.Tick();
    entry.SetInterval(100001);
    EXPECT_EQ(TicksUntilCheck(entry, fetcher_), 3);
    EXPECT_TRUE(entry.Enabled());
}

TEST_F(RecordTest, SetEnabledChecksSynchronouslyOnlyWhileNotScanned) {
    TRecord entry(context_);
    entry.SetID(QStringLiteral("bob"));
    entry.SetInterval(1);
    EXPECT_FALSE(entry.Enabled());
    entry.SetEnabled(true);
    EXPECT_TRUE(entry.Enabled());
    EXPECT_EQ(Queried(), QStringList{QStringLiteral("bob")});
    EXPECT_EQ(entry.LastStatus, bsOffline);
    entry.SetEnabled(false);
    entry.SetEnabled(true);
    EXPECT_EQ(Queried().size(), 1);
    EXPECT_FALSE(entry.LastCheck.isNull());

    TRecord disabled(context_);
    disabled.SetEnabled(false); // still not scanned: checks anyway
    EXPECT_FALSE(disabled.Enabled());
    EXPECT_EQ(Queried().size(), 2);
}

TEST_F(RecordTest, SetIdTrimsControlsAndFoldsOnlyAToZ) {
    const struct {
        const char16_t* typed;
        const char16_t* stored;
    } cases[] = {
        {u"  Bob ", u"bob"},
        {u"\tJOHN_Doe\r\n", u"john_doe"},
        {u"\u00c9LODIE", u"\u00c9lodie"},
        {u"a b", u"a b"},
        {u"   ", u""},
    };
    for (const auto& c : cases) {
        TRecord entry(context_);
        entry.LastStatus = bsOnline;
        entry.SetID(QString::fromUtf16(c.typed));
        EXPECT_EQ(entry.ID, QString::fromUtf16(c.stored));
        EXPECT_EQ(entry.LastStatus, bsOnline);
    }
}

TEST_F(RecordTest, NewEntryStartsUnscannedDisabledAndNeverChecked) {
    TRecord entry(context_);
    EXPECT_TRUE(entry.ID.isEmpty());
    EXPECT_EQ(entry.Interval, 1);
    EXPECT_TRUE(entry.LastCheck.isNull());
    EXPECT_EQ(entry.LastStatus, bsNotScanned);
    EXPECT_FALSE(entry.Enabled());
}

// The same ID on two sources is two histories; the own service is named as everywhere else.
TEST_F(RecordTest, HistoryKeyNamesTheEntrysSource) {
    TRecord entry(context_);
    entry.SetID(QStringLiteral("bob"));
    EXPECT_EQ(HistoryKeyOf(entry),
              (THistoryKey{QStringLiteral("bob"), QStringLiteral("Zentrilo")}));
    entry.SetSource(QStringLiteral("Lichess"));
    EXPECT_EQ(HistoryKeyOf(entry), (THistoryKey{QStringLiteral("bob"), QStringLiteral("Lichess")}));
}

TEST(DeleteRecordAt, OutOfRangeChangesNothingOtherwiseKeepsOrder) {
    TCheckContext context;
    TRecord a(context), b(context), c(context);
    const struct {
        int index;
        VRecord expected;
    } cases[] = {
        {-1, {&a, &b, &c}}, {3, {&a, &b, &c}}, {0, {&b, &c}}, {1, {&a, &c}}, {2, {&a, &b}},
    };
    for (const auto& k : cases) {
        VRecord list{&a, &b, &c};
        DeleteRecordAt(list, k.index);
        EXPECT_EQ(list, k.expected) << k.index;
    }
    VRecord empty;
    DeleteRecordAt(empty, 0);
    EXPECT_TRUE(empty.empty());
}

TEST_F(RecordTest, TobjsAddsDisabledRemovesByIdentityAndChecksInOrder) {
    Tobjs list(context_);
    TRecord* first = list.Add(QStringLiteral(" Ann "), 0);
    TRecord* second = list.Add(QStringLiteral("bob"), 3);
    TRecord* third = list.Add(QStringLiteral("cid"), 1);
    EXPECT_EQ(first->ID, QStringLiteral("ann"));
    EXPECT_EQ(first->Interval, 1);
    EXPECT_EQ(second->Interval, 3);
    EXPECT_FALSE(second->Enabled());
    EXPECT_TRUE(Queried().isEmpty());

    list.CheckAll();
    EXPECT_EQ(Queried(), (QStringList{"ann", "bob", "cid"}));

    TRecord foreign(context_);
    list.Remove(&foreign);
    EXPECT_EQ(list.List, (VRecord{first, second, third}));
    list.Remove(second);
    EXPECT_EQ(list.List, (VRecord{first, third}));
    delete second; // Remove does not free
    list.Clear();
    EXPECT_TRUE(list.List.empty());
}

} // namespace
