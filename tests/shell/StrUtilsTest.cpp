#include "shell/uStrUtils.h"

#include <gtest/gtest.h>

namespace {

struct THexCase {
    const char16_t* text;
    std::int32_t value;
};

TEST(HexToInt, DigitsOfEitherCaseOthersCountMinusOneAndOnlyEightCharacters) {
    const THexCase cases[] = {
        {u"", 0},
        {u"0", 0},
        {u"ff", 255},
        {u"FF", 255},
        {u"aB", 171},
        {u"7FFFFFFF", 2147483647},
        {u"7FFFFFFF1", 2147483647}, // the ninth character is ignored
        {u"g1", -15},               // (-1) * 16 + 1
        {u"z", -1},
        {u"zz", -17},
        {u"FFFFFFFF", -1}, // wraps as 32-bit two's complement
        {u"80000000", INT32_MIN},
        {u" 1", -15},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HexToInt(QString::fromUtf16(c.text)), c.value)
            << QString::fromUtf16(c.text).toStdString();
}

TEST(PosNoCase, FindsOneBasedRetriesInLowerCaseUnlessOptionEight) {
    const QString digits = QStringLiteral("0123456789ABCDEF");
    EXPECT_EQ(PosNoCase(QStringLiteral("0"), digits, 0), 1);
    EXPECT_EQ(PosNoCase(QStringLiteral("F"), digits, 0), 16);
    EXPECT_EQ(PosNoCase(QStringLiteral("f"), digits, 0), 16);
    EXPECT_EQ(PosNoCase(QStringLiteral("f"), digits, 8), 0);
    EXPECT_EQ(PosNoCase(QStringLiteral("g"), digits, 0), 0);
    EXPECT_EQ(PosNoCase(QStringLiteral("cd"), QStringLiteral("abCD"), 0), 3);
}

TEST(UrlEncode, KeepsTheSeventyOneSafeCharactersEscapesOthersByUtf16Unit) {
    const struct {
        const char16_t* text;
        const char16_t* encoded;
    } cases[] = {
        {u"a b+c", u"a%20b%2Bc"},
        {u"x/y?z=1&w", u"x/y?z=1&w"},
        {u"0.5.4", u"0.5.4"},
        {u"AZaz09-_.:;", u"AZaz09-_.:;"},
        {u"@%#~", u"%40%25%23%7E"},
        {u"\u00e9", u"%E9"},
        {u"\u0103", u"%103"},
        {u"\t", u"%09"},
        {u"\U0001F600", u"%D83D%DE00"}, // two UTF-16 code units
        {u"", u""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UrlEncode(QString::fromUtf16(c.text)), QString::fromUtf16(c.encoded));
}

TEST(TextHelpers, TrimControlAndLowerAsciiTouchOnlyWhatTheySay) {
    EXPECT_EQ(TrimControl(QStringLiteral(" \t\r\n Bob \x01")), QStringLiteral("Bob"));
    EXPECT_EQ(TrimControl(QStringLiteral("  ")), QString());
    EXPECT_EQ(TrimControl(QString::fromUtf16(u"\u00a0x\u00a0")),
              QString::fromUtf16(u"\u00a0x\u00a0"));
    EXPECT_EQ(LowerAscii(QString::fromUtf16(u"BoB_\u00c9\u0130Z")),
              QString::fromUtf16(u"bob_\u00c9\u0130z"));
}

} // namespace
