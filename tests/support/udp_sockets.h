#pragma once
// The system's view of UDP sockets (/proc/net/udp), for tests that must know a program's port or
// whether a socket has read everything sent to it, without waiting a guessed time.
#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korva::testing {

struct UdpSocket {
    std::string localAddress;  // dotted quad
    std::uint16_t localPort = 0;
    std::size_t receiveQueueBytes = 0;
    std::uint64_t drops = 0;  // datagrams the kernel dropped because the receive buffer was full
    unsigned long inode = 0;
};

std::vector<UdpSocket> UdpSockets();
// The UDP sockets process pid has open.
std::vector<UdpSocket> UdpSocketsOf(pid_t pid);
std::optional<UdpSocket> UdpSocketOn(const std::string& address, std::uint16_t port);

// Waits (a few seconds at most) until the socket on address:port has read everything queued for it;
// false when it never does or there is no such socket.
bool WaitUntilRead(const std::string& address, std::uint16_t port);

}  // namespace korva::testing
