// Address runs as typed for a site: single addresses, CIDR blocks and first-last ranges.
#include "protocol/ipv4_range.h"

#include <gtest/gtest.h>

namespace korva {
namespace {

TEST(Ipv4Range, EachFormGivesItsFirstAddressAndCount) {
    const struct {
        const char* text;
        std::uint32_t first;
        std::uint64_t count;
    } cases[] = {
        {"127.0.10.7", 0x7F000A07, 1},
        {"127.0.10.0/24", 0x7F000A00, 256},
        {"127.0.10.16/28", 0x7F000A10, 16},
        {"127.0.10.7/32", 0x7F000A07, 1},
        {"0.0.0.0/0", 0, std::uint64_t{1} << 32},
        {"127.0.10.250-127.0.11.4", 0x7F000AFA, 11},
        {"127.0.10.5-127.0.10.5", 0x7F000A05, 1},
        {"127.000.010.007", 0x7F000A07, 1},  // three digits per octet stay decimal
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto range = ParseIpv4Range(c.text);
        ASSERT_TRUE(range.has_value());
        EXPECT_EQ(range->first, c.first);
        EXPECT_EQ(range->count, c.count);
    }
}

TEST(Ipv4Range, SlipsAreRefused) {
    for (const char* text :
         {"", "127.0.10", "127.0.10.256", "127.0.10.5/24", "127.0.10.0/33", "127.0.10.0/", "127.0.10.0/2x",
          "127.0.10.9-127.0.10.8", "127.0.10.1-", "-127.0.10.1", "127.0.10.1 ", "127.0.0010.1", "no such host"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(ParseIpv4Range(text).has_value());
    }
}

TEST(Ipv4Range, MembershipAndTextFollowTheRange) {
    const Ipv4Range range = *ParseIpv4Range("127.0.10.250-127.0.11.4");
    EXPECT_FALSE(range.Contains(0x7F000AF9));
    EXPECT_TRUE(range.Contains(0x7F000AFA));
    EXPECT_TRUE(range.Contains(0x7F000B04));
    EXPECT_FALSE(range.Contains(0x7F000B05));
    EXPECT_EQ(range.At(6), 0x7F000B00u);
    EXPECT_EQ(Ipv4RangeText(range), "127.0.10.250-127.0.11.4");
    EXPECT_EQ(Ipv4RangeText(*ParseIpv4Range("127.0.10.9")), "127.0.10.9");
    // The whole address space: the count does not wrap to zero, and membership covers everything.
    const Ipv4Range all = *ParseIpv4Range("0.0.0.0/0");
    EXPECT_TRUE(all.Contains(0xFFFFFFFF));
    EXPECT_EQ(all.Last(), 0xFFFFFFFFu);
}

}  // namespace
}  // namespace korva
