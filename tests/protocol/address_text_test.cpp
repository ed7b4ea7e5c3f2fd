#include "protocol/address_text.h"

#include "protocol/messages.h"

#include <gtest/gtest.h>

#include <string>

namespace korva {
namespace {

TEST(ParseIpv4, TakesFourDecimalOctetsOfOneToThreeDigits) {
    const struct {
        const char* text;
        std::optional<std::uint32_t> address;
    } cases[] = {
        {"10.1.2.3", 0x0A010203},
        {"010.001.002.003", 0x0A010203},
        {"255.255.255.255", 0xFFFFFFFF},
        {"0.0.0.0", 0},
        {"1.2.3", std::nullopt},
        {"1.2.3.4.5", std::nullopt},
        {"1.2.3.256", std::nullopt},
        {"1.2.3.0255", std::nullopt},
        {"1..2.3", std::nullopt},
        {"1.2.3.", std::nullopt},
        {" 1.2.3.4", std::nullopt},
        {"1.2.3.4 ", std::nullopt},
        {"a.b.c.d", std::nullopt},
        {"+1.2.3.4", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseIpv4(c.text), c.address) << '"' << c.text << '"';
}

TEST(ParseSeparatedNumbers, KeepsToTheShape) {
    const NumberShape hexQuad{.separator = '.', .base = 16, .maxParts = 4, .maxDigits = 8};
    const NumberShape macPairs{.separator = '-', .base = 16, .maxParts = 6, .maxDigits = 2};
    const NumberShape anyDecimal{.separator = '.', .base = 10, .maxParts = 4};
    const struct {
        const char* text;
        NumberShape shape;
        std::size_t count;  // 0: refused
        std::uint64_t last;
    } cases[] = {
        {"C0.a8.0.FFFFFFFF", hexQuad, 4, 0xFFFFFFFF},
        {"C0.A8.0.123456789", hexQuad, 0, 0},
        {"C0.A8.0G.FA", hexQuad, 0, 0},
        {"00-1A-AB-01-02-FF", macPairs, 6, 0xFF},
        {"00-1A-AB-01-02-FF-00", macPairs, 0, 0},
        {"00-1A-AB-01-02-0FF", macPairs, 0, 0},
        {"4294967295", anyDecimal, 1, 0xFFFFFFFF},
        {"00000000000000000000007", anyDecimal, 1, 7},
        {"99999999999999999999999", anyDecimal, 1, SeparatedNumbers::kTooLarge},
        {"1A.2", anyDecimal, 0, 0},
    };
    for (const auto& c : cases) {
        const auto numbers = ParseSeparatedNumbers(c.text, c.shape);
        EXPECT_EQ(numbers ? numbers->count : 0, c.count) << c.text;
        if (numbers && c.count > 0) {
            EXPECT_EQ(numbers->values[c.count - 1], c.last) << c.text;
        }
    }
}

TEST(PaddedDottedQuad, WidensEveryOctetToThreeDigits) {
    const std::pair<const char*, const char*> cases[] = {
        {"192.168.0.1", "192.168.000.001"},     {"", "000.000.000.000"},
        {"10.0.7", "010.000.007.000"},          {"1234.5.6.7", "123.005.006.007"},
        {"192.168.000.001", "192.168.000.001"}, {"1..2.3", "001.002.003.000"},
    };
    for (const auto& [quad, expected] : cases)
        EXPECT_EQ(PaddedDottedQuad(quad), expected) << quad;
}

// A parameter reply of the given form whose address and MAC fields are as given.
ParameterReading ParametersWith(int version, const std::string& address, const std::string& mac) {
    const bool newForm = version >= kFirstNewFormVersion;
    const std::string header = newForm ? std::to_string(version) + ",3F,14" : std::to_string(version);
    return ReadParameters(header + ",RPR,0," + address + ",255.255.255.0,10.0.0.1," + mac, newForm ? 2 : 0, version);
}

// Version 130 sends address octets in hexadecimal, and what is no number reads as 0 octet by octet;
// the other versions' decimal addresses are taken as sent.
TEST(ParameterReplyAddresses, ReadHexadecimalOctetsOfVersion130InDecimal) {
    const std::pair<const char*, const char*> cases[] = {
        {"C0.A8.00.FA", "192.168.0.250"},
        {"c0.a8.0.1", "192.168.0.1"},
        {"FF.FF.FF.FF", "255.255.255.255"},
        {"0a.63.64.Ff", "10.99.100.255"},
        {"C0", "0.0.0.192"},
        {"ZZ.1.2.3", "0.1.2.3"},
        {"C0.A8.00:FA", "192.168.0.0"},
        {"C0.A8.0G.FA", "192.168.0.250"},
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
        {"3E7.3E8.FFF.10000", "999.1000.4095.65536"},
        {"1.2.3.-4", "1.2.3.0"},
    };
    for (const auto& [octets, expected] : cases)
        EXPECT_EQ(ParametersWith(kHexAddressVersion, octets, "0:0:0:0:0:0").address, expected) << octets;
    EXPECT_EQ(ParametersWith(120, "C0.A8.00.FA", "0:0:0:0:0:0").address, "C0.A8.00.FA");
    EXPECT_EQ(ParametersWith(150, "192.168.0.250", "0:0:0:0:0:0").address, "192.168.0.250");
}

// The dashes sit at fixed positions: an octet out of range widens the text after them.
TEST(ParameterReplyMacs, ReadDecimalOctetsBeforeTheNewFormAndHexadecimalFromIt) {
    const struct {
        int version;
        const char* octets;
        const char* expected;
    } cases[] = {
        {120, "0:26:171:1:2:255", "00-1A-AB-01-02-FF"},  {0, "255:255:255:255:255:255", "FF-FF-FF-FF-FF-FF"},
        {120, "256:1:2:3:4:5", "10-00-10-20-30-405"},    {120, "000:0:00:1:2:3", "00-00-00-01-02-03"},
        {120, "0:26:171:1:2:0255", "00-1A-AB-01-02-FF"}, {120, "0:26:171:1:2:", "00-1A-AB-01-02-00"},
        {120, "0:26:171:1:2:3:", "00-1A-AB-01-02-03"},   {120, ":0:26:171:1:2:3", "00-1A-AB-01-02-03"},
        {120, "0:26:171:1:2:3:4", "00-1A-AB-01-02-03"},  {120, "0:26::171:1:2", "00-1A-AB-01-02-00"},
        {120, "0:26:171:1:2: 3", "00-1A-AB-01-02-03"},   {120, "0:26:171:1:2:-3", "00-1A-AB-01-02-FFFFFFFD"},
        {130, "0:1a:AB:1:2:ff", "00-1a-AB-01-02-ff"},    {150, "123:1:2:3:4:5", "12-01-02-03-04-05"},
        {150, "00:1A:AB:01:02:FF", "00-1A-AB-01-02-FF"}, {150, "zz:1A:AB:01:02:F:", "zz-1A-AB-01-02-0F"},
        {150, "00:1A:AB:01:0::FF", "00-1A-AB-01-00-FF"}, {150, "001:A:AB:01:02:FF", "00-0A-AB-01-02-FF"},
        {150, ":00:1A:AB:01:02:F", "00-1A-AB-01-02-0F"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParametersWith(c.version, "10.0.0.7", c.octets).mac, c.expected) << c.version << ' ' << c.octets;
}

}  // namespace
}  // namespace korva
