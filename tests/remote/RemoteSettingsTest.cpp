#include "remote/RemoteSettings.h"

#include "net/Hosts.h"
#include "remote/ProfileReader.h"
#include "shell/Language.h"
#include "tests/remote/RemoteValues.h"
#include "tests/support/InlineWorker.h"
#include "tests/support/LoopbackServer.h"

#include <QStringEncoder>

#include <gtest/gtest.h>

#include <functional>

namespace {

const QDate kOwnDate(2010, 3, 10);

void ResetValues() {
    ResetRemoteValues();
    OwnReleaseDate = kOwnDate;
}

// What a fetched file leaves in the variables; starts as "every key absent".
struct Applied {
    int buddyLimit = 5;
    bool siteScan = true;
    bool active = true;
    QString lastVersion = QStringLiteral("0.5.4");
    QDate releaseDate = kOwnDate;
    QString whatsNew;
};

struct ApplyCase {
    const char* label;
    QByteArray file;
    std::function<void(Applied&)> expect;
};

QByteArray Settings(const QByteArray& lines) {
    return "[Settings]\r\n" + lines;
}

class RemoteSettingsApply : public testing::TestWithParam<ApplyCase> {
protected:
    void SetUp() override { ResetValues(); }
};

TEST_P(RemoteSettingsApply, SetsEveryVariable) {
    const ApplyCase& c = GetParam();
    Applied expected;
    if (c.expect)
        c.expect(expected);
    ApplyRemoteSettings(c.file);
    EXPECT_EQ(BuddyLimit, expected.buddyLimit);
    EXPECT_EQ(SiteScan, expected.siteScan);
    EXPECT_EQ(ProgramActive, expected.active);
    EXPECT_EQ(LastVersion, expected.lastVersion);
    EXPECT_EQ(LastReleaseDate, expected.releaseDate);
    EXPECT_EQ(WhatsNew, expected.whatsNew);
}

const QString k2047 = QString(2047, u'a');

INSTANTIATE_TEST_SUITE_P(
    Files, RemoteSettingsApply,
    testing::Values(
        ApplyCase{"example",
                  Settings("buddylimit=20\r\nsitescan=1\r\nactive=1\r\nlastversion=0.6.0\r\n"
                           "releaseyear=2010\r\nreleasemonth=3\r\nreleaseday=15\r\n"
                           "whatsnew=Faster checks\\nFewer errors\r\n"),
                  [](Applied& e) {
                      e.buddyLimit = 20;
                      e.lastVersion = QStringLiteral("0.6.0");
                      e.releaseDate = QDate(2010, 3, 15);
                      e.whatsNew = QStringLiteral("Faster checks\r\nFewer errors");
                  }},
        ApplyCase{"empty file", QByteArray(), nullptr},
        ApplyCase{"not an ini file", "<html><body>Not here</body></html>", nullptr},
        ApplyCase{"keys of another section", "[Other]\nbuddylimit=9\nactive=0\n", nullptr},
        ApplyCase{"keys before any section", "buddylimit=9\n[Settings]\n", nullptr},
        ApplyCase{"active 0 retires", Settings("active=0"), [](Applied& e) { e.active = false; }},
        ApplyCase{"active 0x0 retires", Settings("active=0x0"),
                  [](Applied& e) { e.active = false; }},
        ApplyCase{"active no is the default", Settings("active=no"), nullptr},
        ApplyCase{"active 0X10 is on", Settings("active=0X10"), nullptr},
        ApplyCase{"sitescan 0", Settings("sitescan=0"), [](Applied& e) { e.siteScan = false; }},
        ApplyCase{"sitescan $0", Settings("sitescan=$0"), [](Applied& e) { e.siteScan = false; }},
        ApplyCase{"signed hex after 0x is invalid", Settings("buddylimit=0x-1"), nullptr},
        ApplyCase{"sign before 0x is invalid", Settings("buddylimit=-0x1F"), nullptr},
        ApplyCase{"bare x is no prefix here", Settings("buddylimit=x10"), nullptr},
        ApplyCase{"signed dollar hex", Settings("buddylimit=-$10"),
                  [](Applied& e) { e.buddyLimit = -16; }},
        ApplyCase{"out of range", Settings("buddylimit=2147483648"), nullptr},
        ApplyCase{"huge limit kept as received", Settings("buddylimit=2000000000"),
                  [](Applied& e) { e.buddyLimit = 2000000000; }},
        ApplyCase{"month 13", Settings("releaseyear=2012\nreleasemonth=13\nreleaseday=1"), nullptr},
        ApplyCase{"30 February", Settings("releaseyear=2012\nreleasemonth=2\nreleaseday=30"),
                  nullptr},
        ApplyCase{"29 February of a leap year",
                  Settings("releaseyear=2012\nreleasemonth=2\nreleaseday=29"),
                  [](Applied& e) { e.releaseDate = QDate(2012, 2, 29); }},
        ApplyCase{"29 February 1900", Settings("releaseyear=1900\nreleasemonth=2\nreleaseday=29"),
                  nullptr},
        ApplyCase{"29 February 2000", Settings("releaseyear=2000\nreleasemonth=2\nreleaseday=29"),
                  [](Applied& e) { e.releaseDate = QDate(2000, 2, 29); }},
        ApplyCase{"year 0", Settings("releaseyear=0\nreleasemonth=1\nreleaseday=1"), nullptr},
        ApplyCase{"year 10000", Settings("releaseyear=10000\nreleasemonth=1\nreleaseday=1"),
                  nullptr},
        ApplyCase{"parts count by their low 16 bits",
                  Settings("releaseyear=67546\nreleasemonth=65540\nreleaseday=1"),
                  [](Applied& e) { e.releaseDate = QDate(2010, 4, 1); }},
        ApplyCase{"negative month", Settings("releasemonth=-1"), nullptr},
        ApplyCase{"only the day given", Settings("releaseday=20"),
                  [](Applied& e) { e.releaseDate = QDate(2010, 3, 20); }},
        ApplyCase{"notes trimmed around a break", Settings("whatsnew=  First\\nSecond  "),
                  [](Applied& e) { e.whatsNew = QStringLiteral("First\r\nSecond"); }},
        ApplyCase{"notes made only of breaks", Settings("whatsnew=\\n\\n\\n"), nullptr},
        ApplyCase{"replaced text not rescanned", Settings("whatsnew=a\\\\nb\\N"),
                  [](Applied& e) { e.whatsNew = QStringLiteral("a\\\r\nb\\N"); }},
        ApplyCase{"2100 characters cut at 2047", Settings("whatsnew=" + QByteArray(2100, 'a')),
                  [](Applied& e) { e.whatsNew = k2047; }},
        ApplyCase{"cut before the break is replaced",
                  Settings("whatsnew=" + QByteArray(2046, 'a') + "\\nb"),
                  [](Applied& e) { e.whatsNew = QString(2046, u'a') + u'\\'; }},
        ApplyCase{"quotes dropped", Settings("lastversion=\"0.6.0\"\nbuddylimit=\"12\""),
                  [](Applied& e) {
                      e.lastVersion = QStringLiteral("0.6.0");
                      e.buddyLimit = 12;
                  }},
        ApplyCase{"one pair of quotes only", Settings("lastversion=\"\"0.7\"\""),
                  [](Applied& e) { e.lastVersion = QStringLiteral("\"0.7\""); }},
        ApplyCase{"unbalanced quote kept", Settings("lastversion=\"0.7"),
                  [](Applied& e) { e.lastVersion = QStringLiteral("\"0.7"); }},
        ApplyCase{"empty text value", Settings("lastversion="),
                  [](Applied& e) { e.lastVersion.clear(); }},
        ApplyCase{"other letter case", "[SETTINGS]\nBuddyLimit=9\nLASTVERSION=1.0\nActive=0\n",
                  [](Applied& e) {
                      e.buddyLimit = 9;
                      e.lastVersion = QStringLiteral("1.0");
                      e.active = false;
                  }},
        ApplyCase{"blanks around names and values", "  [ Settings ]  \n  buddylimit \t=\t 8  \r\n",
                  [](Applied& e) { e.buddyLimit = 8; }},
        ApplyCase{"first of two equal keys", Settings("buddylimit=3\nbuddylimit=4"),
                  [](Applied& e) { e.buddyLimit = 3; }},
        ApplyCase{"UTF-8 text", Settings("whatsnew=Noutăţi: ş ţ"),
                  [](Applied& e) { e.whatsNew = QString::fromUtf8("Noutăţi: ş ţ"); }},
        ApplyCase{"UTF-8 byte-order mark", "\xEF\xBB\xBF[Settings]\nbuddylimit=6\n",
                  [](Applied& e) { e.buddyLimit = 6; }},
        ApplyCase{"8-bit text that is not UTF-8", Settings("whatsnew=caf\xE9"),
                  [](Applied& e) { e.whatsNew = QString::fromUtf8("café"); }}),
    [](const testing::TestParamInfo<ApplyCase>& info) {
        std::string name;
        for (const char* p = info.param.label; *p != '\0'; ++p)
            name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
        return name;
    });

QByteArray Utf16File(QStringConverter::Encoding encoding, const QString& text) {
    QStringEncoder encoder(encoding, QStringConverter::Flag::WriteBom);
    return encoder.encode(text);
}

TEST(RemoteSettingsEncoding, Utf16WithEitherByteOrderMark) {
    const QString text =
        QString::fromUtf8("[Settings]\r\nbuddylimit=11\r\nwhatsnew=Nou: ş\\nţ\r\n");
    for (const auto encoding : {QStringConverter::Utf16LE, QStringConverter::Utf16BE}) {
        ResetValues();
        const QByteArray bytes = Utf16File(encoding, text);
        ASSERT_TRUE(bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"));
        ApplyRemoteSettings(bytes);
        EXPECT_EQ(BuddyLimit, 11);
        EXPECT_EQ(WhatsNew, QString::fromUtf8("Nou: ş\r\nţ"));
    }
}

TEST(RemoteSettingsSequence, AbsentKeyResetsToItsDefault) {
    ResetValues();
    ApplyRemoteSettings(Settings("buddylimit=20\nsitescan=0\nlastversion=0.9\nwhatsnew=x"));
    EXPECT_EQ(BuddyLimit, 20);
    ApplyRemoteSettings(Settings("active=1"));
    EXPECT_EQ(BuddyLimit, 5);
    EXPECT_TRUE(SiteScan);
    EXPECT_EQ(LastVersion, QStringLiteral("0.5.4"));
    EXPECT_TRUE(WhatsNew.isEmpty());
}

TEST(BuddySlots, BoundedWhileTheLimitKeepsTheNumberReceived) {
    const struct {
        int limit;
        int slotCount;
    } cases[] = {{5, 5}, {0, 0}, {-3, 0}, {1000, 1000}, {1001, 1000}, {2000000000, 1000}};
    for (const auto& c : cases) {
        BuddyLimit = c.limit;
        EXPECT_EQ(BuddySlotCount(), c.slotCount) << c.limit;
        EXPECT_EQ(BuddyLimit, c.limit);
    }
    BuddyLimit = 5;
}

TEST(ProfileIntegerRule, Table) {
    const struct {
        const char* text;
        std::optional<std::int32_t> value;
    } cases[] = {{"0x1F", 31},
                 {"0X0", 0},
                 {"0x", std::nullopt},
                 {"$ff", 255},
                 {"-$10", -16},
                 {"+5", 5},
                 {"-5", -5},
                 {"007", 7},
                 {"x10", std::nullopt},
                 {"-0x1F", std::nullopt},
                 {"0x-1", std::nullopt},
                 {" 5", std::nullopt},
                 {"0xFFFFFFFF", std::nullopt},
                 {"0x7FFFFFFF", INT32_MAX},
                 {"12a", std::nullopt},
                 {"", std::nullopt},
                 {"-2147483648", INT32_MIN},
                 {"no", std::nullopt}};
    for (const auto& c : cases)
        EXPECT_EQ(ProfileInteger(QString::fromUtf8(c.text)), c.value) << c.text;
}

class RemoteTexts : public testing::Test {
protected:
    void SetUp() override {
        qputenv("ZENTRILO_SITE", "site.example");
        qputenv("ZENTRILO_SITE_RO", "site.example.ro");
    }
    void TearDown() override {
        qunsetenv("ZENTRILO_SITE");
        qunsetenv("ZENTRILO_SITE_RO");
        UseEnglish = true;
    }
};

TEST_F(RemoteTexts, DiscontinuedNoticeInBothLanguages) {
    UseEnglish = true;
    EXPECT_EQ(
        DiscontinuedText(),
        QStringLiteral("Zentrilo has been discontinued.\r\n\r\nIf you want to continue to use "
                       "a similar tool\r\n(Yahoo! status scanning), see site.example.\r\n\r\n"
                       "Zentrilo will close itself now."));
    UseEnglish = false;
    EXPECT_EQ(DiscontinuedText(),
              QString::fromUtf8("Zentrilo a fost discontinuat.\r\n\r\nDacă doreşti să foloseşti "
                                "în continuare un tool similar\r\n(scanare status Yahoo!), "
                                "accesează site.example.ro.\r\n\r\nZentrilo se va închide acum."));
}

class RemoteFetch : public testing::Test {
protected:
    void SetUp() override { ResetValues(); }
    void TearDown() override { qunsetenv("ZENTRILO_SITE"); }
    static void UseSite(const std::string& host) { qputenv("ZENTRILO_SITE", host.c_str()); }
    // Whether the file was read, as the caller's continuation hears it.
    static bool Load() {
        TInlineWorker worker;
        int calls = 0;
        bool read = false;
        LoadRemoteSettings(worker, [&](bool fetched) {
            ++calls;
            read = fetched;
        });
        EXPECT_EQ(calls, 1);
        return read;
    }
};

TEST_F(RemoteFetch, UnreachableServerLeavesEveryInitialValue) {
    const TRefusingPort refusing;
    UseSite("127.0.0.1:" + std::to_string(refusing.Port()));
    EXPECT_FALSE(Load());
    EXPECT_EQ(BuddyLimit, 5);
    EXPECT_TRUE(SiteScan);
    EXPECT_TRUE(ProgramActive);
    EXPECT_TRUE(LastVersion.isEmpty());
    EXPECT_EQ(LastReleaseDate, ZeroDate());
    EXPECT_TRUE(WhatsNew.isEmpty());
}

TEST_F(RemoteFetch, UnconfiguredSiteFetchesNothing) {
    qunsetenv("ZENTRILO_SITE");
    if (!SiteHost().empty())
        GTEST_SKIP() << "this build names a site of its own";
    EXPECT_FALSE(Load());
    EXPECT_EQ(BuddyLimit, 5);
    EXPECT_TRUE(LastVersion.isEmpty());
}

TServerScript Answer(const std::string& status, const std::string& body) {
    return {step::ReadRequest(), step::Send(HttpReply(status, body)), step::Close()};
}

TEST_F(RemoteFetch, ServedFileIsAppliedAndAFailureLaterKeepsIt) {
    const std::string file = "[Settings]\r\nbuddylimit=12\r\nactive=0\r\nlastversion=0.6.0\r\n";
    TLoopbackServer server(
        {Answer("200 OK", file), Answer("404 Not Found", "[Settings]\r\nbuddylimit=99\r\n")});
    UseSite(server.HostPort());
    EXPECT_TRUE(Load());
    EXPECT_EQ(BuddyLimit, 12);
    EXPECT_FALSE(ProgramActive);
    EXPECT_EQ(LastVersion, QStringLiteral("0.6.0"));
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0].rfind("GET /zentrilo.ini HTTP/1.1\r\n", 0), 0u);

    EXPECT_FALSE(Load()); // status 404: its body is ignored
    EXPECT_EQ(BuddyLimit, 12);
    EXPECT_EQ(LastVersion, QStringLiteral("0.6.0"));
}

TEST_F(RemoteFetch, AFileCutShortAfterItsStatusIsNotApplied) {
    const std::string file = "[Settings]\r\nbuddylimit=12";
    TLoopbackServer server(
        {{step::ReadRequest(), step::Send("HTTP/1.1 200 OK\r\nContent-Length: 99\r\n\r\n" + file),
          step::Close()}});
    UseSite(server.HostPort());
    EXPECT_FALSE(Load());
    EXPECT_EQ(BuddyLimit, 5);
}

} // namespace
