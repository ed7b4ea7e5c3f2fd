#include "tools/sim/sim_sockets.h"

#include "protocol/ipv4_range.h"
#include "transport/socket_address.h"
#include "transport/socket_start.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <mswsock.h>
#include <windows.h>


namespace korva::sim {
namespace {

std::string SystemError(const std::string& what) {
    return what + ": Winsock error " + std::to_string(WSAGetLastError());
}

}  // namespace

// Windows sets no limit of descriptors; a process's handles stop at some sixteen million.
std::uint64_t SocketLimit() {
    return std::uint64_t{1} << 24;
}

// Sockets are no descriptors counted against a limit on Windows.
std::uint64_t DescriptorsHeld() {
    return 0;
}

// Every socket signals one event on FD_READ, so that the wait covers any number of them beside the stop
// event; WSAPoll then tells which have requests waiting.
struct SimSockets::System {
    HANDLE stop = nullptr;
    HANDLE readable = nullptr;
    std::vector<WSAPOLLFD> sockets;
};

SimSockets::SimSockets(tools::InterruptHandle stop) : system_(std::make_unique<System>()) {
    system_->stop = reinterpret_cast<HANDLE>(stop);
}

SimSockets::~SimSockets() {
    for (const WSAPOLLFD& socket : system_->sockets)
        closesocket(socket.fd);
    if (system_->readable != nullptr)
        WSACloseEvent(system_->readable);
}

std::string SimSockets::Open(const Ipv4Range& addresses, std::uint16_t port) {
    System& s = *system_;
    try {
        transport::StartSockets();
    } catch (const transport::SocketError& error) {
        return std::string("cannot start Winsock: ") + error.what();
    }
    s.readable = WSACreateEvent();
    if (s.readable == WSA_INVALID_EVENT)
        return SystemError("cannot wait for sockets");
    s.sockets.reserve(addresses.count);
    for (std::uint64_t i = 0; i < addresses.count; ++i) {
        if (i % kSocketsBetweenLooks == 0 && WaitForSingleObject(s.stop, 0) == WAIT_OBJECT_0)
            return kOpeningStopped;
        const sockaddr_in local = transport::SocketAddress(addresses.At(i), port);
        const SOCKET socket = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        if (socket == INVALID_SOCKET)
            return SystemError("cannot create a socket");
        s.sockets.push_back(WSAPOLLFD{socket, POLLRDNORM, 0});
        SetHandleInformation(reinterpret_cast<HANDLE>(socket), HANDLE_FLAG_INHERIT, 0);
        // A requester whose port is closed must not turn into an error of the next read.
        BOOL off = FALSE;
        DWORD returned = 0;
        WSAIoctl(socket, SIO_UDP_CONNRESET, &off, sizeof off, nullptr, 0, &returned, nullptr, nullptr);
        if (bind(socket, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0)
            return SystemError("cannot bind " + Ipv4Text(addresses.At(i)) + ":" + std::to_string(port));
        // Also makes the socket non-blocking.
        if (WSAEventSelect(socket, s.readable, FD_READ) != 0)
            return SystemError("cannot wait for sockets");
    }
    return {};
}

std::optional<std::vector<std::size_t>> SimSockets::Wait(std::optional<std::chrono::milliseconds> wait) {
    System& s = *system_;
    const HANDLE events[] = {s.stop, s.readable};
    const DWORD woken = WaitForMultipleObjects(2, events, FALSE, wait ? static_cast<DWORD>(wait->count()) : INFINITE);
    if (woken == WAIT_OBJECT_0 || woken == WAIT_FAILED)
        return std::nullopt;
    std::vector<std::size_t> indexes;
    if (woken != WAIT_OBJECT_0 + 1)
        return indexes;
    // Reset before asking: a request that comes after is seen by the poll or sets the event again.
    WSAResetEvent(s.readable);
    if (WSAPoll(s.sockets.data(), static_cast<ULONG>(s.sockets.size()), 0) > 0) {
        for (std::size_t i = 0; i < s.sockets.size(); ++i) {
            if (s.sockets[i].revents != 0)
                indexes.push_back(i);
        }
    }
    return indexes;
}

std::optional<Request> SimSockets::Receive(std::size_t index, std::span<char> buffer) {
    sockaddr_in from{};
    int fromLength = sizeof from;
    const int length = recvfrom(system_->sockets[index].fd, buffer.data(), static_cast<int>(buffer.size()), 0,
                                reinterpret_cast<sockaddr*>(&from), &fromLength);
    const ReplyAddress requester{ntohl(from.sin_addr.s_addr), ntohs(from.sin_port)};
    if (length >= 0)
        return Request{static_cast<std::size_t>(length), requester};
    const int error = WSAGetLastError();
    // Longer than the buffer (Winsock discarded the rest), or a port-unreachable report where the system
    // still gives one: read away, skipped as too long.
    if (error == WSAEMSGSIZE || error == WSAECONNRESET)
        return Request{buffer.size() + 1, requester};
    return std::nullopt;
}

void SimSockets::Send(const Outgoing& reply) {
    const sockaddr_in to = transport::SocketAddress(reply.to.address, reply.to.port);
    sendto(system_->sockets[reply.socket].fd, reply.bytes.data(), static_cast<int>(reply.bytes.size()), 0,
           reinterpret_cast<const sockaddr*>(&to), sizeof to);
}

}  // namespace korva::sim
