#include "tests/support/loopback_peer.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "tests/support/loopback_address.h"

namespace korva::testing {
namespace {

// Larger than any datagram, so that none is cut short.
constexpr std::size_t kLargestDatagram = 65536;

}  // namespace

LoopbackPeer::LoopbackPeer(const std::string& address, std::uint16_t port) : address_(address) {
    sockaddr_in local = LoopbackAddress(address, port);
    socket_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (socket_ < 0 || bind(socket_, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        const std::string error = std::strerror(errno);
        if (socket_ >= 0)
            close(socket_);
        throw std::runtime_error("cannot bind " + address + ":" + std::to_string(port) + ": " + error);
    }
    socklen_t length = sizeof local;
    getsockname(socket_, reinterpret_cast<sockaddr*>(&local), &length);
    port_ = PortOf(local);
}

LoopbackPeer::~LoopbackPeer() {
    close(socket_);
}

void LoopbackPeer::SetSendBuffer(int bytes) {
    setsockopt(socket_, SOL_SOCKET, SO_SNDBUF, &bytes, sizeof bytes);
}

void LoopbackPeer::SetReceiveBuffer(int bytes) {
    setsockopt(socket_, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
}

void LoopbackPeer::Send(const sockaddr_in& to, std::string_view bytes) const {
    if (!TrySend(to, bytes))
        throw std::runtime_error("cannot send from " + address_ + " to " + DottedQuad(to) + ":" +
                                 std::to_string(PortOf(to)) + ": " + std::strerror(errno));
}

void LoopbackPeer::Send(const std::string& address, std::uint16_t port, std::string_view bytes) const {
    Send(LoopbackAddress(address, port), bytes);
}

bool LoopbackPeer::TrySend(const sockaddr_in& to, std::string_view bytes) const {
    RequireLoopback(to);
    return sendto(socket_, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to) ==
           static_cast<ssize_t>(bytes.size());
}

std::optional<Datagram> LoopbackPeer::Receive(std::chrono::milliseconds patience) const {
    if (patience.count() > 0 && !WaitReadable(patience))
        return std::nullopt;
    std::array<char, kLargestDatagram> buffer;
    Datagram datagram;
    socklen_t length = sizeof datagram.from;
    const ssize_t received = recvfrom(socket_, buffer.data(), buffer.size(), MSG_DONTWAIT,
                                      reinterpret_cast<sockaddr*>(&datagram.from), &length);
    if (received < 0)
        return std::nullopt;
    datagram.bytes.assign(buffer.data(), static_cast<std::size_t>(received));
    return datagram;
}

std::size_t LoopbackPeer::Discard(std::chrono::milliseconds patience) const {
    if (patience.count() > 0 && !WaitReadable(patience))
        return 0;
    std::array<char, kLargestDatagram> buffer;
    std::size_t dropped = 0;
    while (recv(socket_, buffer.data(), buffer.size(), MSG_DONTWAIT | MSG_TRUNC) >= 0)
        ++dropped;
    return dropped;
}

bool LoopbackPeer::WaitReadable(std::chrono::milliseconds patience) const {
    pollfd readable{socket_, POLLIN, 0};
    return poll(&readable, 1, static_cast<int>(patience.count())) == 1;
}

}  // namespace korva::testing
