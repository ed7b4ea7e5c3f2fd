#include "transport/host_address.h"

#include "transport/socket_errors.h"

#include <gtest/gtest.h>

#include <optional>

namespace korva::transport {
namespace {

constexpr std::uint32_t Quad(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d) {
    return a << 24 | b << 16 | c << 8 | d;
}

struct DottedCase {
    const char* text;
    std::optional<std::uint32_t> address;
};

TEST(HostAddress, DecimalDottedForms) {
    const DottedCase cases[] = {
        {"192.168.0.10", Quad(192, 168, 0, 10)},
        {"192.168.000.010", Quad(192, 168, 0, 10)},  // zeros in front stay decimal, not octal
        {"010.008.009.077", Quad(10, 8, 9, 77)},
        {"127.0.0.41", Quad(127, 0, 0, 41)},
        {"127.0.41", Quad(127, 0, 0, 41)},             // a.b.c: c fills two bytes
        {"127.1.300", Quad(127, 1, 1, 44)},
        {"127.41", Quad(127, 0, 0, 41)},               // a.b: b fills three bytes
        {"10.16777215", Quad(10, 255, 255, 255)},
        {"2130706473", Quad(127, 0, 0, 41)},           // a: the whole address
        {"4294967295", Quad(255, 255, 255, 255)},
        {"0", 0u},
        {"000.000.000.000", 0u},
        {"256.1.1.1", std::nullopt},
        {"1.2.3.256", std::nullopt},
        {"1.2.65536", std::nullopt},
        {"1.16777216", std::nullopt},
        {"4294967296", std::nullopt},
        {"1.2.3.4.5", std::nullopt},
        {"1..3.4", std::nullopt},
        {"1.2.3.", std::nullopt},
        {".1.2.3", std::nullopt},
        {"", std::nullopt},
        {"192.168.0.10 ", std::nullopt},  // a trailing blank sends the text to the resolver
        {" 192.168.0.10", std::nullopt},
        {"0x7f.0.0.1", std::nullopt},
        {"+1.2.3.4", std::nullopt},
        {"-1", std::nullopt},
        {"localhost", std::nullopt},
    };
    for (const DottedCase& c : cases) {
        EXPECT_EQ(ParseDecimalDottedAddress(c.text), c.address) << '"' << c.text << '"';
    }
}

TEST(HostAddress, LocalhostInAnyCaseIsLoopback) {
    for (const char* host : {"localhost", "LOCALHOST", "LocalHost", "lOCALHOSt"}) {
        EXPECT_EQ(ResolveHost(host), Quad(127, 0, 0, 1)) << host;
    }
}

TEST(HostAddress, UnresolvableNameIsHostNotFound) {
    try {
        ResolveHost("no such host");
        FAIL() << "a name with a blank inside resolved";
    } catch (const SocketError& error) {
        EXPECT_EQ(error.code(), 11001);
        EXPECT_STREQ(error.what(), "Socket Error # 11001\r\nHost not found.");
    }
}

}  // namespace
}  // namespace korva::transport
