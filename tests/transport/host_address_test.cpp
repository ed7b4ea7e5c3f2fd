#include "transport/host_address.h"

#include "transport/socket_errors.h"

#include <gtest/gtest.h>

#include <optional>
#include <string_view>

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
        {"127.0.41", Quad(127, 0, 0, 41)},  // a.b.c: c fills two bytes
        {"127.1.300", Quad(127, 1, 1, 44)},
        {"127.41", Quad(127, 0, 0, 41)},  // a.b: b fills three bytes
        {"10.16777215", Quad(10, 255, 255, 255)},
        {"2130706473", Quad(127, 0, 0, 41)},  // a: the whole address
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

// The resolver reads a name up to its first NUL byte; a box whose text only begins with an address
// (a damaged settings file can put a NUL into it) must not reach that address.
TEST(HostAddress, NameWithANulByteInsideIsHostNotFound) {
    using namespace std::string_view_literals;
    for (const std::string_view host : {"127.0.0.1\0junk"sv, "localhost\0"sv, "\0"sv}) {
        try {
            ResolveHost(host);
            FAIL() << "resolved a name of " << host.size() << " bytes with a NUL inside";
        } catch (const SocketError& error) {
            EXPECT_EQ(error.code(), 11001);
        }
    }
}

}  // namespace
}  // namespace korva::transport
