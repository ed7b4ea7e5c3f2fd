#include "protocol/cp1252.h"

#include <gtest/gtest.h>

namespace korva {
namespace {

TEST(Cp1252, EveryByteSurvivesTheRoundTripThroughUtf8) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all)), all);
}

TEST(Cp1252, MapsThePortugueseLettersAndTheWindowsOnlyCharacters) {
    EXPECT_EQ(Cp1252ToUtf8("l\xEA dados"), "lê dados");
    EXPECT_EQ(Cp1252ToUtf8("\x80"), "€");
    EXPECT_EQ(Utf8ToCp1252("Configuração"), "Configura\xE7\xE3o");
    EXPECT_EQ(Utf8ToCp1252("°"), "\xB0");
    EXPECT_EQ(Utf8ToCp1252("€"), "\x80");
}

TEST(Cp1252, UnmappableAndMalformedInputBecomesQuestionMarks) {
    EXPECT_EQ(Utf8ToCp1252("日"), "?");
    EXPECT_EQ(Utf8ToCp1252("\xC3"), "?");
    EXPECT_EQ(Utf8ToCp1252("a\xFF"
                           "b"),
              "a?b");
}

}  // namespace
}  // namespace korva
