#pragma once
// TCP connections to a loopback server that never send a byte, as a port scan or a stuck client leaves
// them: they hold whatever the server gives each connection until it drops them.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace korva::testing {

class IdleConnections {
public:
    // address: a dotted quad in 127.0.0.0/8 (LoopbackAddress refuses any other). Starts count
    // connections, each finishing its handshake whenever the server's backlog lets it; Count() says how
    // many were started.
    IdleConnections(const std::string& address, std::uint16_t port, std::size_t count);
    ~IdleConnections();
    IdleConnections(const IdleConnections&) = delete;
    IdleConnections& operator=(const IdleConnections&) = delete;

    std::size_t Count() const { return sockets_.size(); }

private:
    std::vector<int> sockets_;
};

}  // namespace korva::testing
