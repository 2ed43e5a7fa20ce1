#include "monitor/PresenceRule.h"

#include "tests/monitor/MonitorFakes.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

struct TReplyCase {
    const char* rule;
    QByteArray reply;
    TBuddyStatus status;
    TPresenceFailure failure = TPresenceFailure::None;
};

void ExpectVerdicts(const std::vector<TReplyCase>& cases) {
    for (const TReplyCase& c : cases) {
        SCOPED_TRACE(std::string(c.rule) + " on " + c.reply.left(200).toStdString());
        const TPresenceRule rule = TPresenceRule::Parse(QString::fromUtf8(c.rule));
        ASSERT_TRUE(rule.IsValid());
        const TRuleVerdict verdict = rule.Evaluate(c.reply);
        EXPECT_EQ(verdict.Status, c.status);
        EXPECT_EQ(verdict.Failure, c.failure);
        EXPECT_EQ(verdict.Detail.isEmpty(), c.failure == TPresenceFailure::None);
    }
}

QByteArray Nested(int depth) {
    return QByteArray(depth, '[') + "true" + QByteArray(depth, ']');
}

TEST(PresenceRule, ParsingFindsWhatIsWrong) {
    const struct {
        const char* text;
        TRuleProblem problem;
    } cases[] = {
        {"json:/0/online", TRuleProblem::None},
        {"  JSON:/a~0b~1c  ", TRuleProblem::None},
        {"json:", TRuleProblem::None},  // the whole reply
        {"json:/", TRuleProblem::None}, // the member named ""
        {"json:0/online", TRuleProblem::BadPointer},
        {"json:/a~2", TRuleProblem::BadPointer},
        {"json:/a~", TRuleProblem::BadPointer},
        {"xml:onlineState=online|in-game", TRuleProblem::None},
        {"Xml: state = on | off ", TRuleProblem::None},
        {"xml:=online", TRuleProblem::NoElement},
        {"xml:online State=online", TRuleProblem::NoElement},
        {"xml:", TRuleProblem::NoElement},
        {"xml:onlineState", TRuleProblem::NoValues},
        {"xml:onlineState=", TRuleProblem::NoValues},
        {"xml:onlineState=online||in-game", TRuleProblem::NoValues},
        {"text:\"online\":true", TRuleProblem::None},
        {"text:", TRuleProblem::NoNeedle},
        {"text:   ", TRuleProblem::NoNeedle},
        {"yaml:online", TRuleProblem::UnknownKind},
        {"/0/online", TRuleProblem::UnknownKind},
        {"", TRuleProblem::UnknownKind},
    };
    for (const auto& c : cases) {
        const TPresenceRule rule = TPresenceRule::Parse(QString::fromUtf8(c.text));
        EXPECT_EQ(rule.Problem(), c.problem) << c.text;
        EXPECT_EQ(rule.Text(), QString::fromUtf8(c.text).trimmed());
        EXPECT_EQ(RuleProblemText(c.problem).isEmpty(), c.problem == TRuleProblem::None);
    }
    // A rule that does not parse reads no reply.
    const TRuleVerdict verdict = TPresenceRule::Parse(u"json:x"_s).Evaluate("true");
    EXPECT_EQ(verdict.Status, bsError);
    EXPECT_EQ(verdict.Failure, TPresenceFailure::BadDefinition);
    EXPECT_EQ(verdict.Detail, u"json:x"_s);
}

TEST(PresenceRule, JsonPointersFollowRfc6901) {
    using F = TPresenceFailure;
    ExpectVerdicts({
        {"json:/0/online", R"([{"id":"a","name":"A","online":true,"playing":true}])", bsOnline},
        {"json:/0/online", R"([{"id":"a","online":false}])", bsOffline},
        {"json:/0/online", R"([{"id":"a","name":"A"}])", bsOffline}, // missing
        {"json:/0/online", "[]", bsOffline},                         // unknown user
        {"json:/0/online", R"([{"online":null}])", bsOffline},
        {"json:/0/online", R"({"0":{"online":true}})", bsOnline}, // "0" names a member too
        {"json:/0/online/x", R"([{"online":true}])", bsOffline},  // no member inside a value
        {"json:/0/online", R"([{"online":"true"}])", bsError, F::NotBoolean},
        {"json:/0/online", R"([{"online":1}])", bsError, F::NotBoolean},
        {"json:/0", R"([{"online":true}])", bsError, F::NotBoolean},
        {"json:", "true", bsOnline},
        {"json:", " \n null \n", bsOffline},
        {"json:/a~1b/c~0d", R"({"a/b":{"c~d":true}})", bsOnline},
        {"json:/a~01", R"({"a~1":true,"a/":false})", bsOnline}, // ~01 is "~1", never "/"
        {"json:/", R"({"":true})", bsOnline},
        {"json:/list/1", R"({"list":[false,true]})", bsOnline},
        {"json:/list/01", R"({"list":[false,true]})", bsOffline}, // not an index
        {"json:/list/-", R"({"list":[true]})", bsOffline},
        {"json:/list/99999999999999999999", R"({"list":[true]})", bsOffline},
        {"json:/\xc3\xa9t\xc3\xa9", "{\"\xc3\xa9t\xc3\xa9\":true}", bsOnline},
        {"json:/0/online", "\xEF\xBB\xBF[{\"online\":true}]", bsOnline}, // byte order mark
        {"json:/0/online", R"([{"online":true})", bsError, F::NotJson},
        {"json:/0/online", "", bsError, F::NotJson},
        {"json:/0/online", "<html><body>Too many requests</body></html>", bsError, F::NotJson},
        {"json:", "true false", bsError, F::NotJson},
        {"json:", "true, false", bsError, F::NotJson}, // not one value
        {"json:", "1], [2", bsError, F::NotJson},
        {"json:", Nested(2000), bsError, F::NotJson},
    });
}

TEST(PresenceRule, XmlTakesTheFirstElementOfThatNameInAnyLetterCase) {
    using F = TPresenceFailure;
    const auto profile = [](const char* state) {
        return QByteArray(R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
                          "<profile><steamID64>76561197960287930</steamID64>"
                          "<steamID><![CDATA[Rabscuttle]]></steamID><onlineState>") +
               state + "</onlineState><stateMessage><![CDATA[Online]]></stateMessage></profile>";
    };
    const char* steam = "xml:onlineState=online|in-game";
    ExpectVerdicts({
        {steam, profile("online"), bsOnline},
        {steam, profile("In-Game"), bsOnline},
        {steam, profile("\n  ONLINE \t"), bsOnline},
        {steam, profile("<![CDATA[online]]>"), bsOnline},
        {steam, profile("in&#45;game"), bsOnline},
        {steam, profile("<b>online</b>"), bsOnline}, // the text of what it holds
        {steam, profile("offline"), bsOffline},
        {steam, profile("away"), bsOffline},
        {steam, profile(""), bsOffline},
        {steam, profile("online now"), bsOffline},
        {steam, "<p><onlineState>offline</onlineState><onlineState>online</onlineState></p>",
         bsOffline},
        {steam, "<a><b><c><onlineState>online</onlineState></c></b></a>", bsOnline},
        {steam, "<s:p xmlns:s=\"urn:x\"><s:onlineState>online</s:onlineState></s:p>", bsOnline},
        {"xml:s:onlineState=online",
         "<p xmlns:s=\"urn:x\"><s:onlineState>online</s:onlineState></p>", bsOnline},
        {steam, "<p><onlinestate>online</onlinestate></p>", bsError, F::NoElement},
        {steam,
         "<response><error><![CDATA[The specified profile could not be found.]]></error>"
         "</response>",
         bsError, F::NoElement},
        // Read to the end: what follows the element can make the reply no answer.
        {steam, profile("online").replace("</profile>", "<broken></profile>"), bsError, F::NotXml},
        {steam, profile("online").replace("</profile>", "<tail>"), bsError, F::NotXml},
        {steam, profile("online") + "<second/>", bsError, F::NotXml},
        {steam, "<p><onlineState>online</onlineState><q>&undefined;</q></p>", bsError, F::NotXml},
        {steam, "<p><q></p><onlineState>online</onlineState>", bsError, F::NotXml},
        {steam, "<p><onlineState>online", bsError, F::NotXml},
        {steam, "not xml at all", bsError, F::NotXml},
        {steam, "", bsError, F::NotXml},
        {steam, R"({"onlineState":"online"})", bsError, F::NotXml},
        // Entities that would expand without end are refused, not expanded.
        {steam,
         "<!DOCTYPE p [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
         "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\"><!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;"
         "&c;\"><!ENTITY e \"&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;\">]><p><onlineState>&e;&e;&e;&e;"
         "</onlineState></p>",
         bsError, F::NotXml},
    });
}

TEST(PresenceRule, TextLooksForTheNeedleAsItIsWritten) {
    ExpectVerdicts({
        {"text:\"online\":true", R"({"online":true})", bsOnline},
        {"text:\"online\":true", R"({"online": true})", bsOffline},
        {"text:Online", "user is online", bsOffline}, // letter case counts
        {"text:Online", "", bsOffline},
        {"text:caf\xc3\xa9", "at the caf\xc3\xa9", bsOnline},
        {"text:caf\xc3\xa9", "at the caf\xe9", bsOnline}, // not UTF-8: read as Latin-1
        {"text:a b", "xa bx", bsOnline},
    });
}

// Replies are capped at 16 MiB by the fetch; one that size is read whole and at once.
TEST(PresenceRule, HugeRepliesAreReadToTheEnd) {
    const QByteArray filler(8 << 20, 'x');
    ExpectVerdicts({
        {"json:/1/online", "[\"" + filler + "\",{\"online\":true}]", bsOnline},
        {"xml:onlineState=online", "<p><f>" + filler + "</f><onlineState>online</onlineState></p>",
         bsOnline},
        {"text:needle", filler + "needle", bsOnline},
        {"json:/0/online", "[" + filler, bsError, TPresenceFailure::NotJson},
    });
}

} // namespace
