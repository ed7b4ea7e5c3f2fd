#pragma once
// The far end of the program under test: one UDP socket bound to a loopback address, which sends to
// loopback addresses only. Every test and benchmark that plays a device, a console or an intruder does
// it through this one class.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "tests/support/peer_socket.h"

namespace korva::testing {

struct Datagram {
    std::string bytes;
    sockaddr_in from{};
};

class LoopbackPeer {
public:
    // How long Receive waits unless told otherwise: long enough for a loaded machine, short enough that
    // a reply that never comes fails the test instead of hanging it.
    static constexpr std::chrono::milliseconds kPatience{5000};

    // Bound to address:port (0: a port the system picks). Throws std::invalid_argument off loopback and
    // std::runtime_error when the address cannot be bound.
    explicit LoopbackPeer(const std::string& address, std::uint16_t port = 0);
    ~LoopbackPeer();
    LoopbackPeer(const LoopbackPeer&) = delete;
    LoopbackPeer& operator=(const LoopbackPeer&) = delete;

    const std::string& Address() const { return address_; }
    std::uint16_t Port() const { return port_; }
    // For waiting on many peers at once (POSIX: a descriptor for epoll).
    int Descriptor() const { return static_cast<int>(socket_); }

    // Room for bursts the peer sends or receives faster than the other side keeps up.
    void SetSendBuffer(int bytes);
    void SetReceiveBuffer(int bytes);

    // Sends bytes as one datagram; throws std::runtime_error when the system does not take it whole.
    void Send(const sockaddr_in& to, std::string_view bytes) const;
    void Send(const std::string& address, std::uint16_t port, std::string_view bytes) const;
    // The same for floods, where a full buffer is expected: false when the system refused the datagram.
    bool TrySend(const sockaddr_in& to, std::string_view bytes) const;

    // The next datagram, or nullopt when none arrives within patience (zero: only one already waiting).
    std::optional<Datagram> Receive(std::chrono::milliseconds patience = kPatience) const;
    // Waits up to patience for a datagram, then reads and drops every one waiting; how many it dropped.
    std::size_t Discard(std::chrono::milliseconds patience = std::chrono::milliseconds(0)) const;

private:
    bool WaitReadable(std::chrono::milliseconds patience) const;

    std::string address_;
    std::uint16_t port_ = 0;
    peer_socket::Handle socket_ = -1;
};

}  // namespace korva::testing
