#include "protocol/numbers.h"

#include <gtest/gtest.h>

namespace korva {
namespace {

struct IntegerCase {
    const char* text;
    std::int32_t expected;
};

TEST(ToInteger, ReadsDecimalAndPrefixedHexadecimalOrZero) {
    const IntegerCase cases[] = {
        {"42", 42},
        {"  42", 42},
        {"+7", 7},
        {"-7", -7},
        {"42 ", 0},
        {"\t42", 0},
        {"", 0},
        {" ", 0},
        {"-", 0},
        {"4x2", 0},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"2147483648", 0},
        {"99999999999", 0},
        {"$1F", 31},
        {"x1f", 31},
        {"X1F", 31},
        {"0x1F", 31},
        {"0X1f", 31},
        {"$", 0},
        {"0x", 0},
        {"$FFFFFFFF", -1},
        {"$80000000", -2147483647 - 1},
        {"$7FFFFFFF", 2147483647},
        {"$123456789", 0},
        {"-$10", -16},
        {" $A", 10},
        {"$1G", 0},
        {"007", 7},
        {"999999999", 999999999},
        {"1234567890", 1234567890},
        {"12345678x", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ToInteger(c.text), c.expected) << '"' << c.text << '"';
}

TEST(HexValue, AddsTheDollarUnlessOneIsPresent) {
    const IntegerCase cases[] = {
        {"FA", 250}, {"0a", 10}, {"1G", 0},     {"", 0},     {"$1F", 31},
        {"1F", 31},  {" 1F", 0}, {"  $1F", 31}, {"0x1F", 0},  // the "$" in front makes "0x" a stray character
    };
    for (const auto& c : cases)
        EXPECT_EQ(HexValue(c.text), c.expected) << '"' << c.text << '"';
}

TEST(NumberTexts, PadAndWriteHexadecimal) {
    EXPECT_EQ(ZeroPadded(7, 2), "07");
    EXPECT_EQ(ZeroPadded(5, 2), "05");
    EXPECT_EQ(ZeroPadded(12, 2), "12");
    EXPECT_EQ(ZeroPadded(123, 2), "123");
    EXPECT_EQ(ZeroPadded(0, 2), "00");
    EXPECT_EQ(ZeroPadded(-5, 3), "-05");
    EXPECT_EQ(ZeroPadded(22, 3), "022");

    EXPECT_EQ(HexText(26, 2), "1A");
    EXPECT_EQ(HexText(0, 2), "00");
    EXPECT_EQ(HexText(256, 2), "100");
    EXPECT_EQ(HexText(-1, 2), "FFFFFFFF");
}

}  // namespace
}  // namespace korva
