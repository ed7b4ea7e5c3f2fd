#include "protocol/fields.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace korva {
namespace {

// Forty fields, some empty: more than a reply usually carries.
std::string LongLine() {
    std::string line;
    for (int n = 1; n <= 40; ++n)
        line += (n % 7 == 0 ? ",," : ",") + std::to_string(n);
    return line;
}

TEST(Fields, SkipEmptyFieldsAndIgnoreATrailingDelimiter) {
    const std::string longLine = LongLine();
    const struct {
        std::string text;
        char delimiter;
        int number;
        const char* expected;
    } cases[] = {
        {"A,,B", ',', 1, "A"},
        {"A,,B", ',', 2, "B"},
        {"A,,B", ',', 3, ""},
        {"A,B,", ',', 2, "B"},
        {",,A", ',', 1, "A"},
        {"A,B", ',', 0, ""},
        {"A,B", ',', -1, ""},
        {"", ',', 1, ""},
        {",,,", ',', 1, ""},
        {"ONE", ',', 1, "ONE"},
        {"0100,SND, x ,", ',', 3, " x "},
        {longLine, ',', 33, "33"},
        {longLine, ',', 40, "40"},
        {longLine, ',', 41, ""},
        {"1.2..3", '.', 3, "3"},
        {"0:1a", ':', 2, "1a"},
        {"wPr000  1.2.3.4 ", ' ', 2, "1.2.3.4"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Fields(c.text, c.delimiter)[c.number], c.expected) << c.text << " field " << c.number;
}

// Lines are searched for delimiters several bytes at a time: bytes that differ from the delimiter in
// one bit only, or in the top bit, must not pass for one, and a delimiter must be found at every offset.
TEST(Fields, FindTheDelimiterAtEveryOffsetAndNothingElse) {
    for (const char delimiter : {',', '.', ':', ' ', '\x80'}) {
        std::string others;
        for (int byte = 0; byte < 256; ++byte) {
            if (static_cast<char>(byte) != delimiter)
                others += static_cast<char>(byte);
        }
        for (std::size_t offset = 0; offset < 17; ++offset) {
            std::string line = others;
            std::vector<std::string> expected;
            std::size_t start = 0;
            for (std::size_t at = offset; at < line.size(); at += 17) {
                line[at] = delimiter;
                if (at > start)
                    expected.push_back(line.substr(start, at - start));
                start = at + 1;
            }
            if (start < line.size())
                expected.push_back(line.substr(start));
            const Fields fields(line, delimiter);
            ASSERT_EQ(fields.Count(), static_cast<int>(expected.size()));
            for (std::size_t n = 0; n < expected.size(); ++n)
                EXPECT_EQ(fields[static_cast<int>(n) + 1], expected[n]) << "from offset " << offset << ", field " << n;
        }
    }
}

TEST(Fields, StopAfterTheLastFieldAsked) {
    const std::string longLine = LongLine();
    const Fields all(longLine);
    for (const int lastField : {-1, 0, 1, 3, 32, 33, 39, 40, 41}) {
        const Fields fields(longLine, ',', lastField);
        for (int n = 1; n <= 42; ++n) {
            const std::string_view expected = n <= lastField ? all[n] : "";
            EXPECT_EQ(fields[n], expected) << "last field " << lastField << ", field " << n;
        }
    }
    EXPECT_EQ(Fields("A,B,", ',', 2)[2], "B");
    EXPECT_EQ(Fields("A,BC", ',', 2)[2], "BC");
}

TEST(Trim, RemovesControlBytesAndBlanksAtBothEnds) {
    EXPECT_EQ(Trim("\r\n  A B \t\0"), "A B");
    EXPECT_EQ(Trim(std::string("\0A\0", 3)), "A");
    EXPECT_EQ(Trim(" \x01 "), "");
    EXPECT_EQ(Trim("\xA0X\xA0"), "\xA0X\xA0");
}

}  // namespace
}  // namespace korva
