#include "shell/IntegerText.h"

#include <gtest/gtest.h>

namespace {

struct IntegerCase {
    const char* text;
    std::optional<std::int32_t> expected;
};

class IntegerTextTable : public testing::TestWithParam<IntegerCase> {};

TEST_P(IntegerTextTable, ReadsOrRefuses) {
    const IntegerCase& c = GetParam();
    EXPECT_EQ(IntegerText(QString::fromUtf8(c.text)), c.expected) << '"' << c.text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Rule, IntegerTextTable,
    testing::Values(IntegerCase{" 42", 42}, IntegerCase{"+7", 7}, IntegerCase{"-0x1F", -31},
                    IntegerCase{"$ff", 255}, IntegerCase{"x10", 16}, IntegerCase{"X10", 16},
                    IntegerCase{"0x10", 16}, IntegerCase{"0X1a", 26}, IntegerCase{"0", 0},
                    IntegerCase{"007", 7}, IntegerCase{"   -12", -12}, IntegerCase{" -$10", -16},
                    IntegerCase{"2147483647", 2147483647}, IntegerCase{"-2147483648", INT32_MIN},
                    IntegerCase{"$7FFFFFFF", INT32_MAX}, IntegerCase{"-$80000000", INT32_MIN},
                    IntegerCase{"0X", std::nullopt}, IntegerCase{"$", std::nullopt},
                    IntegerCase{"x", std::nullopt}, IntegerCase{"2147483648", std::nullopt},
                    IntegerCase{"-2147483649", std::nullopt},
                    IntegerCase{"$80000000", std::nullopt},
                    IntegerCase{"99999999999999999999", std::nullopt},
                    IntegerCase{"12a", std::nullopt}, IntegerCase{"", std::nullopt},
                    IntegerCase{"   ", std::nullopt}, IntegerCase{"+", std::nullopt},
                    IntegerCase{"-", std::nullopt}, IntegerCase{"12 ", std::nullopt},
                    IntegerCase{"1 2", std::nullopt}, IntegerCase{"+-1", std::nullopt},
                    IntegerCase{"- 1", std::nullopt}, IntegerCase{"$g", std::nullopt},
                    IntegerCase{"0x0x1", std::nullopt}, IntegerCase{"\t5", std::nullopt},
                    IntegerCase{"\xd9\xa3", std::nullopt})); // an Arabic-Indic digit is no digit

TEST(IntegerTextOr, FallsBackOnlyWhenInvalid) {
    EXPECT_EQ(IntegerTextOr(QStringLiteral("0"), 1), 0);
    EXPECT_EQ(IntegerTextOr(QStringLiteral("yes"), 1), 1);
}

TEST(ParseInterval, DecimalWithLeadingBlanksOnly) {
    const struct {
        const char* text;
        int value;
    } cases[] = {
        {"15", 15},
        {"007", 7},
        {"0", 0},
        {"-3", -3},
        {"+4", 4},
        {"x", -99},
        {"", -99},
        {"  8", 8},
        {"8 ", -99},
        {"1x", -99},
        {"-", -99},
        {"0x10", -99},
        {"2147483647", 2147483647},
        {"2147483648", -99},
        {"-2147483648", INT_MIN},
        {"99999999999999999999", -99},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseInterval(QString::fromUtf8(c.text), -99), c.value) << c.text;
}

} // namespace
