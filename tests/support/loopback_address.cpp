#include "tests/support/loopback_address.h"

#include <stdexcept>

namespace korva::testing {
namespace {

constexpr std::uint32_t kLoopbackNetwork = 127;

bool OnLoopback(const sockaddr_in& address) {
    return address.sin_family == AF_INET && ntohl(address.sin_addr.s_addr) >> 24 == kLoopbackNetwork;
}

}  // namespace

sockaddr_in LoopbackAddress(const std::string& address, std::uint16_t port) {
    sockaddr_in result{};
    result.sin_family = AF_INET;
    result.sin_port = htons(port);
    if (inet_pton(AF_INET, address.c_str(), &result.sin_addr) != 1 || !OnLoopback(result))
        throw std::invalid_argument("tests stay on loopback, not on '" + address + "'");
    return result;
}

sockaddr_in LoopbackAddress(std::uint32_t address, std::uint16_t port) {
    sockaddr_in result{};
    result.sin_family = AF_INET;
    result.sin_port = htons(port);
    result.sin_addr.s_addr = htonl(address);
    RequireLoopback(result);
    return result;
}

void RequireLoopback(const std::string& address) {
    LoopbackAddress(address, 0);
}

void RequireLoopback(const sockaddr_in& to) {
    if (!OnLoopback(to))
        throw std::invalid_argument("tests stay on loopback, not on " + DottedQuad(to));
}

std::string DottedQuad(const sockaddr_in& address) {
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
    return text;
}

std::uint16_t PortOf(const sockaddr_in& address) {
    return ntohs(address.sin_port);
}

}  // namespace korva::testing
