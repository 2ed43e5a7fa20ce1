#include "monitor/Presence.h"

#include "remote/RemoteSettings.h"
#include "tests/monitor/MonitorFakes.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

class PresenceTest : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("ZENTRILO_DETECT_HOST", "127.0.0.1:9");
        qputenv("ZENTRILO_INDICATOR_HOST", "127.0.0.1:8");
        savedSiteScan_ = SiteScan;
    }
    void TearDown() override {
        qunsetenv("ZENTRILO_DETECT_HOST");
        qunsetenv("ZENTRILO_INDICATOR_HOST");
        SiteScan = savedSiteScan_;
    }
    TFakeFetcher fetcher_;

private:
    bool savedSiteScan_ = true;
};

TEST_F(PresenceTest, ServiceRepliesDecodeByTheXorOfTheTwoBytes) {
    const struct {
        const char16_t* reply;
        int code;
    } cases[] = {
        {u"0005", bsOnline},  {u"A1A4", bsOnline},    {u"3F3A", bsOnline}, {u"a1a4", bsOnline},
        {u"0004", bsOffline}, {u"0003", bsInvisible}, {u"0006", bsError},  {u"0007", bsNotScanned},
        {u"0050", 10},        {u"zzzz", 5},           {u"00050", bsError}, {u"000", bsError},
        {u"", bsError},       {u"zz05", 5}, // X = -17 ^ 5 is negative: "FFFFFFEA", so 15 + 5 - 15
    };
    for (const auto& c : cases) {
        fetcher_.reply = c.reply;
        for (bool invisible : {false, true})
            EXPECT_EQ(QueryStatusService(QStringLiteral("bob"), invisible).Run().code, c.code)
                << QString::fromUtf16(c.reply).toStdString() << " invisible " << invisible;
    }
}

TEST_F(PresenceTest, IndicatorIsOnlineOnlyForExactlyZeroOne) {
    const struct {
        const char16_t* reply;
        int code;
    } cases[] = {
        {u"01", bsOnline},  {u"01\r\n", bsOffline}, {u"1", bsOffline},
        {u"00", bsOffline}, {u"", bsOffline},       {u" 01", bsOffline},
    };
    for (const auto& c : cases) {
        fetcher_.reply = c.reply;
        EXPECT_EQ(QueryIndicator(QStringLiteral("bob")).Run().code, c.code)
            << QString::fromUtf16(c.reply).toStdString();
    }
}

TEST_F(PresenceTest, AFailedFetchIsAnErrorForBothServices) {
    fetcher_.ok = false;
    EXPECT_EQ(QueryIndicator(QStringLiteral("bob")).Run().code, bsError);
    EXPECT_EQ(QueryStatusService(QStringLiteral("bob"), true).Run().code, bsError);
}

TEST_F(PresenceTest, UrlsCarryTheIdExactlyAsGiven) {
    fetcher_.reply = u"0005";
    QueryIndicator(QStringLiteral(" Bob ")).Run();
    QueryStatusService(QStringLiteral(" Bob "), false).Run();
    QueryStatusService(QString::fromUtf16(u"ana\u0103"), true).Run();
    ASSERT_EQ(fetcher_.urls.size(), 3u);
    EXPECT_EQ(fetcher_.urls[0], "http://127.0.0.1:8/online?u= Bob &m=t&t=1");
    EXPECT_EQ(fetcher_.urls[1],
              "http://127.0.0.1:9/getstatus.php?yid= Bob &invisiblescan=0&ver=0.5.4");
    EXPECT_EQ(fetcher_.urls[2],
              "http://127.0.0.1:9/getstatus.php?yid=ana\xc4\x83&invisiblescan=1&ver=0.5.4");
}

TEST_F(PresenceTest, QueryStatusPicksTheServiceBySiteScan) {
    fetcher_.reply = u"01";
    SiteScan = false;
    EXPECT_EQ(QueryStatus(QStringLiteral("bob")).Run().code, bsOnline);
    SiteScan = true;
    EXPECT_EQ(QueryStatus(QStringLiteral("bob")).Run().code,
              bsError); // two characters: not a service reply
    ASSERT_EQ(fetcher_.urls.size(), 2u);
    EXPECT_EQ(fetcher_.urls[0], "http://127.0.0.1:8/online?u=bob&m=t&t=1");
    EXPECT_EQ(fetcher_.urls[1],
              "http://127.0.0.1:9/getstatus.php?yid=bob&invisiblescan=0&ver=0.5.4");
}

// The one-off check makes two requests; cancelled during the first, it makes no second.
TEST_F(PresenceTest, ACancelledQueryStopsAtItsFirstCancelledRequest) {
    TIdDeadline token;
    fetcher_.reply = u"0004"; // offline: the check would go on to the invisible scan
    SetPresenceFetcher([&](const std::string& url, std::u16string& text, const TFetchControl&) {
        fetcher_.urls.push_back(url);
        token.Cancel();
        text = fetcher_.reply;
        return true;
    });
    const TPresenceAnswer answer = OneOffCheck(QStringLiteral("bob")).Run(&token);
    EXPECT_EQ(fetcher_.urls.size(), 1u);
    EXPECT_EQ(answer.code, bsOffline);
}

TEST(StatusText, WordsInBothLanguagesAndNoWordLeavesTheDestination) {
    const struct {
        TBuddyStatus code;
        const char16_t* english;
        const char16_t* romanian;
    } cases[] = {
        {bsOnline, u"ONLINE", u"ONLINE"},
        {bsOffline, u"OFFLINE", u"OFFLINE"},
        {bsInvisible, u"ONLINE (INVISIBLE)", u"ONLINE (INVIZIBIL)"},
        {bsNotScanned, u"NOT SCANNED", u"NESCANAT"},
        {bsError, u"ERROR", u"EROARE"},
        {7, u"kept", u"kept"},
    };
    for (const auto& c : cases) {
        for (bool english : {true, false}) {
            TLanguageScope language(english);
            QString word = QStringLiteral("kept");
            StatusText(c.code, word);
            EXPECT_EQ(word, QString::fromUtf16(english ? c.english : c.romanian));
        }
    }
}

} // namespace
