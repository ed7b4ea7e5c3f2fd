#pragma once
// What the console needs from the network: send a request, and say whose datagrams it believes. The UDP
// endpoint is the real link; tests of the console's rules put a recording one in its place.
#include <cstdint>
#include <string_view>
#include <vector>

namespace korva::transport {

class DeviceLink {
public:
    virtual ~DeviceLink() = default;
    // address is an IPv4 address in host order. Throws SocketError.
    virtual void SendTo(std::uint32_t address, std::uint16_t port, std::string_view data) = 0;
    // From now on only datagrams from these addresses are handed over; an empty list accepts none.
    virtual void AcceptOnlyFrom(std::vector<std::uint32_t> sources) = 0;
};

}  // namespace korva::transport
