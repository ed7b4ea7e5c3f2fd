#pragma once
// IPv4 socket addresses between the system's form and the program's: an address and port in host byte
// order, and a datagram's sender as the owner sees it.
#include <cstdint>

#include "transport/system_sockets.h"
#include "transport/udp_endpoint.h"

namespace korva::transport {

sockaddr_in SocketAddress(std::uint32_t address, std::uint16_t port);
Sender SenderOf(const sockaddr_in& address);

}  // namespace korva::transport
