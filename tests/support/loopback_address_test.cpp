#include "tests/support/loopback_address.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace korva::testing {
namespace {

TEST(LoopbackAddress, OnlyAddressesOf127Slash8AreBuilt) {
    const struct {
        const char* address;
        bool loopback;
    } cases[] = {
        {"127.0.0.1", true},        {"127.0.0.246", true},      {"127.255.255.255", true}, {"127.0.0.0", true},
        {"126.255.255.255", false}, {"128.0.0.0", false},       {"10.0.0.1", false},       {"192.168.0.250", false},
        {"0.0.0.0", false},         {"255.255.255.255", false}, {"no such host", false},   {"", false},
        {"127.0.0.256", false},     {"127.1", false},  // only dotted quads of four parts are read
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.address);
        if (c.loopback) {
            const sockaddr_in built = LoopbackAddress(c.address, 5010);
            EXPECT_EQ(DottedQuad(built), c.address);
            EXPECT_EQ(PortOf(built), 5010);
            EXPECT_NO_THROW(RequireLoopback(std::string(c.address)));
        } else {
            EXPECT_THROW(LoopbackAddress(c.address, 5010), std::invalid_argument);
            EXPECT_THROW(RequireLoopback(std::string(c.address)), std::invalid_argument);
        }
    }
}

TEST(LoopbackAddress, AnAddressOfARangeMayNotRunPastLoopback) {
    EXPECT_EQ(DottedQuad(LoopbackAddress(0x7F000102u, 7)), "127.0.1.2");
    EXPECT_EQ(DottedQuad(LoopbackAddress(0x7FFFFFFFu, 7)), "127.255.255.255");
    EXPECT_THROW(LoopbackAddress(0x80000000u, 7), std::invalid_argument);  // the address after the last
    EXPECT_THROW(LoopbackAddress(0x7EFFFFFFu, 7), std::invalid_argument);
    EXPECT_THROW(LoopbackAddress(0xC0A80001u, 7), std::invalid_argument);  // 192.168.0.1
}

TEST(LoopbackAddress, ASocketAddressFilledElsewhereIsCheckedBeforeASend) {
    sockaddr_in elsewhere = LoopbackAddress("127.0.0.1", 5010);
    elsewhere.sin_addr.s_addr = htonl(0x0A000001u);  // 10.0.0.1
    EXPECT_THROW(RequireLoopback(elsewhere), std::invalid_argument);
    sockaddr_in otherFamily = LoopbackAddress("127.0.0.1", 5010);
    otherFamily.sin_family = AF_UNSPEC;
    EXPECT_THROW(RequireLoopback(otherFamily), std::invalid_argument);
}

}  // namespace
}  // namespace korva::testing
