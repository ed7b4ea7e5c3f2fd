#include "transport/name_lookup.h"

#include "transport/socket_start.h"
#include "transport/system_sockets.h"

namespace korva::transport {

std::optional<std::uint32_t> LookUpIPv4(const std::string& name) {
    StartSockets();
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 || found == nullptr)
        return std::nullopt;
    const std::uint32_t address = ntohl(reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr);
    freeaddrinfo(found);
    return address;
}

}  // namespace korva::transport
