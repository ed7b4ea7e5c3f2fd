#include "tests/support/loopback_peer.h"

#include <stdexcept>

#include "tests/support/loopback_address.h"

namespace korva::testing {
namespace {

// Larger than any datagram, so that none is cut short.
constexpr std::size_t kLargestDatagram = 65536;

}  // namespace

LoopbackPeer::LoopbackPeer(const std::string& address, std::uint16_t port) : address_(address) {
    const sockaddr_in local = LoopbackAddress(address, port);
    try {
        socket_ = peer_socket::OpenBound(local);
    } catch (const std::runtime_error& error) {
        throw std::runtime_error("cannot bind " + address + ":" + std::to_string(port) + ": " + error.what());
    }
    port_ = peer_socket::LocalPort(socket_);
}

LoopbackPeer::~LoopbackPeer() {
    peer_socket::Close(socket_);
}

void LoopbackPeer::SetSendBuffer(int bytes) {
    peer_socket::SetSocketOption(socket_, SO_SNDBUF, bytes);
}

void LoopbackPeer::SetReceiveBuffer(int bytes) {
    peer_socket::SetSocketOption(socket_, SO_RCVBUF, bytes);
}

void LoopbackPeer::Send(const sockaddr_in& to, std::string_view bytes) const {
    if (!TrySend(to, bytes))
        throw std::runtime_error("cannot send from " + address_ + " to " + DottedQuad(to) + ":" +
                                 std::to_string(PortOf(to)) + ": " + peer_socket::LastErrorText());
}

void LoopbackPeer::Send(const std::string& address, std::uint16_t port, std::string_view bytes) const {
    Send(LoopbackAddress(address, port), bytes);
}

bool LoopbackPeer::TrySend(const sockaddr_in& to, std::string_view bytes) const {
    RequireLoopback(to);
    return peer_socket::SendTo(socket_, to, bytes);
}

std::optional<Datagram> LoopbackPeer::Receive(std::chrono::milliseconds patience) const {
    if (patience.count() > 0 && !WaitReadable(patience))
        return std::nullopt;
    std::string buffer(kLargestDatagram, '\0');
    Datagram datagram;
    const auto received = peer_socket::ReceiveWaiting(socket_, buffer, datagram.from);
    if (!received)
        return std::nullopt;
    buffer.resize(*received);
    datagram.bytes = std::move(buffer);
    return datagram;
}

std::size_t LoopbackPeer::Discard(std::chrono::milliseconds patience) const {
    if (patience.count() > 0 && !WaitReadable(patience))
        return 0;
    std::string buffer(kLargestDatagram, '\0');
    sockaddr_in from{};
    std::size_t dropped = 0;
    while (peer_socket::ReceiveWaiting(socket_, buffer, from))
        ++dropped;
    return dropped;
}

bool LoopbackPeer::WaitReadable(std::chrono::milliseconds patience) const {
    return peer_socket::WaitReadable(socket_, patience);
}

}  // namespace korva::testing
