#include "protocol/text_fields.h"

#include <gtest/gtest.h>

#include <utility>

#include <string>

namespace korva {
namespace {

struct FieldCase {
    const char* text;
    int number;
    const char* expected;
};

TEST(ReplyField, SkipsEmptyFieldsAndIgnoresATrailingComma) {
    const FieldCase cases[] = {
        {"A,,B", 1, "A"}, {"A,,B", 2, "B"},  {"A,,B", 3, ""}, {"A,B,", 2, "B"}, {"A,B", 2, "B"},
        {",,A", 1, "A"},  {"A,B", 0, ""},    {"A,B", -1, ""}, {"", 1, ""},      {"0100,SND, x ,", 3, " x "},
        {",,,", 1, ""},   {"ONE", 1, "ONE"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReplyField(c.number, c.text), c.expected) << c.text << " field " << c.number;
}

// Forty fields, some empty: more than a reply usually carries.
std::string LongLine() {
    std::string line;
    for (int n = 1; n <= 40; ++n)
        line += (n % 7 == 0 ? ",," : ",") + std::to_string(n);
    return line;
}

TEST(ReplyFields, SplitOnceAgreesWithFieldByField) {
    const std::string longLine = LongLine();
    for (const std::string line :
         {"A,,B", ",,A,B,,", "", ",", "0100,SND,0,25,60,244,1,0,1,123", " , ,x", "A,B,", longLine.c_str()}) {
        const ReplyFields fields(line);
        for (int n = -1; n <= 44; ++n)
            EXPECT_EQ(fields[n], ReplyField(n, line)) << '"' << line << "\" field " << n;
    }
}

// Lines are searched for commas several bytes at a time: bytes that differ from a comma in one bit
// only, or in the top bit, must not pass for one, and a comma must be found at every offset.
TEST(ReplyFields, FindsCommasAtEveryOffsetAndNothingElse) {
    std::string allBytes;
    for (int byte = 0; byte < 256; ++byte) {
        if (byte != ',')
            allBytes += static_cast<char>(byte);
    }
    for (std::size_t offset = 0; offset < 17; ++offset) {
        std::string line = allBytes;
        for (std::size_t comma = offset; comma < line.size(); comma += 17)
            line[comma] = ',';
        const ReplyFields fields(line);
        for (int n = 1; n <= 20; ++n)
            EXPECT_EQ(fields[n], ReplyField(n, line)) << "commas from offset " << offset << ", field " << n;
    }
}

TEST(ReplyFields, StopsAfterTheLastFieldAsked) {
    const std::string longLine = LongLine();
    for (const int lastField : {-1, 0, 1, 3, 32, 33, 39, 40, 41}) {
        const ReplyFields fields(longLine, lastField);
        for (int n = 1; n <= 42; ++n) {
            const std::string expected = n <= lastField ? ReplyField(n, longLine) : "";
            EXPECT_EQ(fields[n], expected) << "last field " << lastField << ", field " << n;
        }
    }
    EXPECT_EQ(ReplyFields("A,B,", 2)[2], "B");
    EXPECT_EQ(ReplyFields("A,BC", 2)[2], "BC");
}

TEST(ExtractWordAt, ReportsTheOneBasedPositionOfTheWord) {
    const DelimiterSet comma(',');
    EXPECT_EQ(FindWordStart(2, ",,AB,,CD", comma), 7u);
    const Word word = ExtractWordAt(2, ",,AB,,CD", comma);
    EXPECT_EQ(word.text, "CD");
    EXPECT_EQ(word.position, 7u);
    EXPECT_EQ(ExtractWordAt(3, ",,AB,,CD", comma).position, 0u);
    EXPECT_EQ(FindWordStart(1, "AB", comma), 1u);
    EXPECT_EQ(CharacterField(3, "1.2..3", '.'), "3");
    EXPECT_EQ(CharacterField(2, "0:1a", ':'), "1a");
}

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

TEST(NumberTexts, PadCutAndWriteHexadecimal) {
    EXPECT_EQ(ZeroPadded(7, 2), "07");
    EXPECT_EQ(ZeroPadded(5, 2), "05");
    EXPECT_EQ(ZeroPadded(12, 2), "12");
    EXPECT_EQ(ZeroPadded(123, 2), "123");
    EXPECT_EQ(ZeroPadded(0, 2), "00");
    EXPECT_EQ(ZeroPadded(-5, 3), "-05");
    EXPECT_EQ(ZeroPadded(22, 3), "022");

    EXPECT_EQ(LeftPadAndCut("7", 3, '0'), "007");
    EXPECT_EQ(LeftPadAndCut("1234", 3, '0'), "123");
    EXPECT_EQ(LeftPadAndCut("", 2, '0'), "00");
    EXPECT_EQ(LeftPadAndCut("abc", 0, '0'), "");

    EXPECT_EQ(HexText(26, 2), "1A");
    EXPECT_EQ(HexText(0, 2), "00");
    EXPECT_EQ(HexText(256, 2), "100");
    EXPECT_EQ(HexText(-1, 2), "FFFFFFFF");
}

TEST(DottedQuads, PadAndConvertFromHexadecimalOctets) {
    EXPECT_EQ(PaddedDottedQuad("192.168.0.1"), "192.168.000.001");
    EXPECT_EQ(PaddedDottedQuad(""), "000.000.000.000");
    EXPECT_EQ(PaddedDottedQuad("10.0.7"), "010.000.007.000");
    EXPECT_EQ(PaddedDottedQuad("1234.5.6.7"), "123.005.006.007");
    EXPECT_EQ(PaddedDottedQuad("192.168.000.001"), "192.168.000.001");

    EXPECT_EQ(DottedQuadFromHexOctets("C0.A8.00.FA"), "192.168.0.250");
    EXPECT_EQ(DottedQuadFromHexOctets("c0.a8.0.1"), "192.168.0.1");
    EXPECT_EQ(DottedQuadFromHexOctets("C0"), "0.0.0.192");
    EXPECT_EQ(DottedQuadFromHexOctets(""), "0.0.0.0");
    EXPECT_EQ(DottedQuadFromHexOctets("ZZ.1.2.3"), "0.1.2.3");
}

// The devices' own shape (two digits to every octet) and four groups of bare digits are read in one
// pass each, anything else by the octet-by-octet rules: all give the same text, at the edges between
// them too.
TEST(DottedQuads, ReadBareAndOddHexadecimalOctetsAlike) {
    const std::pair<const char*, const char*> cases[] = {
        {"FF.FF.FF.FF", "255.255.255.255"},
        {"00.00.00.00", "0.0.0.0"},
        {"0a.63.64.Ff", "10.99.100.255"},
        {"C0.A8.00:FA", "192.168.0.0"},
        {"C0.A8.0G.FA", "192.168.0.250"},
        {"C0.A8.00.F", "192.168.0.15"},
        {"C0.A8.00.FAx", "192.168.0.0"},
        {"C0.A8..0.FA", "192.168.0.0"},
        {"-1.A8.00.FA", "0.168.0.250"},
        {"C0.A8.00. F", "192.168.0.0"},
        {"FFFFFFFF.1.2.3", "-1.1.2.3"},
        {"80000000.7fffffff.0.00000001", "-2147483648.2147483647.0.1"},
        {"123456789.1.2.3", "0.1.2.3"},
        {"1.2.3.4.5", "1.2.3.0"},
        {"$10.1.2.3", "16.1.2.3"},
        {"1..2.3", "1.0.2.3"},
        {"1.2.3.", "1.2.3.0"},
        {".1.2.3", "0.1.2.3"},
        {"192.168.0.250", "402.360.0.592"},
        {" 1.2.3.4", "0.2.3.4"},
        {"1.2.3.4 ", "1.2.3.0"},
        {"a.B.c.D", "10.11.12.13"},
        {"9.A.63.64", "9.10.99.100"},
        {"3E7.3E8.FFF.10000", "999.1000.4095.65536"},
        {"1.2.3.-4", "1.2.3.0"},
    };
    for (const auto& [octets, expected] : cases)
        EXPECT_EQ(DottedQuadFromHexOctets(octets), expected) << octets;
}

TEST(MacTexts, PutTheDashesAtFixedPositions) {
    struct Case {
        std::string (*read)(std::string_view);
        const char* octets;
        const char* expected;
    };
    const Case cases[] = {
        {MacFromDecimalOctets, "0:26:171:1:2:255", "00-1A-AB-01-02-FF"},
        {MacFromDecimalOctets, "256:1:2:3:4:5", "10-00-10-20-30-405"},
        {MacFromDecimalOctets, "", "00-00-00-00-00-00"},
        // Six plain octets between colons, as the old forms write them, and near misses of that shape.
        {MacFromDecimalOctets, "255:255:255:255:255:255", "FF-FF-FF-FF-FF-FF"},
        {MacFromDecimalOctets, "000:0:00:1:2:3", "00-00-00-01-02-03"},
        {MacFromDecimalOctets, "0:26:171:1:2:0255", "00-1A-AB-01-02-FF"},
        {MacFromDecimalOctets, "0:26:171:1:2:", "00-1A-AB-01-02-00"},
        {MacFromDecimalOctets, "0:26:171:1:2:3:", "00-1A-AB-01-02-03"},
        {MacFromDecimalOctets, ":0:26:171:1:2:3", "00-1A-AB-01-02-03"},
        {MacFromDecimalOctets, "0:26:171:1:2:3:4", "00-1A-AB-01-02-03"},
        {MacFromDecimalOctets, "0:26::171:1:2", "00-1A-AB-01-02-00"},
        {MacFromDecimalOctets, "0:26:171:1:2: 3", "00-1A-AB-01-02-03"},
        {MacFromDecimalOctets, "0:26:171:1:2:-3", "00-1A-AB-01-02-FFFFFFFD"},
        {MacFromHexOctets, "0:1a:AB:1:2:ff", "00-1a-AB-01-02-ff"},
        {MacFromHexOctets, "123:1:2:3:4:5", "12-01-02-03-04-05"},
        // Pairs between colons, as the new forms write them, and near misses of that shape.
        {MacFromHexOctets, "00:1A:AB:01:02:FF", "00-1A-AB-01-02-FF"},
        {MacFromHexOctets, "zz:1A:AB:01:02:  ", "zz-1A-AB-01-02-  "},
        {MacFromHexOctets, "00:1A:AB:01:02:F:", "00-1A-AB-01-02-0F"},
        {MacFromHexOctets, "00:1A:AB:01:0::FF", "00-1A-AB-01-00-FF"},
        {MacFromHexOctets, "001:A:AB:01:02:FF", "00-0A-AB-01-02-FF"},
        {MacFromHexOctets, ":00:1A:AB:01:02:F", "00-1A-AB-01-02-0F"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.read(c.octets), c.expected) << c.octets;
}

TEST(Trim, RemovesControlBytesAndBlanksAtBothEnds) {
    EXPECT_EQ(Trim("\r\n  A B \t\0"), "A B");
    EXPECT_EQ(Trim(std::string("\0A\0", 3)), "A");
    EXPECT_EQ(Trim(" \x01 "), "");
    EXPECT_EQ(Trim("\xA0X\xA0"), "\xA0X\xA0");
}

}  // namespace
}  // namespace korva
