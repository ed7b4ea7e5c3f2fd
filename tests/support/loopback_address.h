#pragma once
// Socket addresses for tests and benchmarks. They may send to loopback only, so every address they use
// is built here, and one outside 127.0.0.0/8 is refused before a datagram could leave the machine.
#include "tests/support/system_sockets.h"

#include <cstdint>
#include <string>

namespace korva::testing {

// address: a dotted quad. Throws std::invalid_argument unless it lies in 127.0.0.0/8.
sockaddr_in LoopbackAddress(const std::string& address, std::uint16_t port);
// address: a number in host order (an address of a range). Throws as above.
sockaddr_in LoopbackAddress(std::uint32_t address, std::uint16_t port);
// Throws std::invalid_argument unless address is a dotted quad in 127.0.0.0/8.
void RequireLoopback(const std::string& address);
// Throws std::invalid_argument unless to lies in 127.0.0.0/8: the check before every send.
void RequireLoopback(const sockaddr_in& to);

std::string DottedQuad(const sockaddr_in& address);
std::uint16_t PortOf(const sockaddr_in& address);

}  // namespace korva::testing
