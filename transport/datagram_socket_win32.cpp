#include "transport/datagram_socket.h"

#include "transport/socket_address.h"
#include "transport/socket_errors.h"
#include "transport/socket_start.h"
#include "transport/system_errors.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <mswsock.h>
#include <windows.h>

#include <array>

namespace korva::transport {

// Winsock has no recvmmsg: a read takes what is waiting one datagram at a time, up to a batch, with the
// socket in non-blocking mode. The receiving thread waits on two events, the socket's FD_READ and the
// wake-up, since closing a socket does not end a wait on it either.
struct DatagramSocket::System {
    SOCKET socket = INVALID_SOCKET;
    HANDLE readable = nullptr;  // set by Winsock when a datagram waits
    HANDLE wakeUp = nullptr;    // manual reset: once woken, the thread is ending
    std::array<char, kReceiveBufferSize> buffer{};

    ~System() {
        if (socket != INVALID_SOCKET)
            closesocket(socket);
        if (readable != nullptr)
            WSACloseEvent(readable);
        if (wakeUp != nullptr)
            CloseHandle(wakeUp);
    }
};

DatagramSocket::DatagramSocket() : system_(std::make_unique<System>()) {
    StartSockets();
    System& s = *system_;
    s.socket = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (s.socket == INVALID_SOCKET)
        throw SocketError(0, kCannotAllocateSocket);
    // A program the tools start must not inherit the socket (the POSIX side opens it close-on-exec).
    SetHandleInformation(reinterpret_cast<HANDLE>(s.socket), HANDLE_FLAG_INHERIT, 0);

    const BOOL off = FALSE;
    if (setsockopt(s.socket, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&off), sizeof off) != 0)
        throw LastSocketError();
    // Whatever size the system grants will do; the default is only less robust under a flood.
    setsockopt(s.socket, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&kSocketReceiveBuffer),
               sizeof kSocketReceiveBuffer);
    // Windows reports a port that answered "unreachable" to an earlier send as an error of the next
    // read; POSIX sockets that are not connected never do. Turned off where the system allows it; the
    // read below skips the error where it does not.
    DWORD returned = 0;
    WSAIoctl(s.socket, SIO_UDP_CONNRESET, const_cast<BOOL*>(&off), sizeof off, nullptr, 0, &returned, nullptr,
             nullptr);

    const sockaddr_in any = SocketAddress(INADDR_ANY, 0);
    if (bind(s.socket, reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0) {
        if (WSAGetLastError() == WSAEADDRINUSE)
            throw SocketError(0, kCannotBindAddressInUse);
        throw LastSocketError();
    }
    sockaddr_in bound{};
    int length = sizeof bound;
    if (getsockname(s.socket, reinterpret_cast<sockaddr*>(&bound), &length) != 0)
        throw LastSocketError();
    localPort_ = ntohs(bound.sin_port);

    s.readable = WSACreateEvent();
    s.wakeUp = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (s.readable == WSA_INVALID_EVENT || s.wakeUp == nullptr)
        throw SocketErrorFromCode(WSA_NOT_ENOUGH_MEMORY);
    // Also puts the socket in non-blocking mode, which the reads rely on.
    if (WSAEventSelect(s.socket, s.readable, FD_READ) != 0)
        throw LastSocketError();
}

DatagramSocket::~DatagramSocket() = default;

bool DatagramSocket::Wait(std::chrono::milliseconds wait) {
    const HANDLE events[] = {system_->readable, system_->wakeUp};
    const DWORD woken = WaitForMultipleObjects(2, events, FALSE, static_cast<DWORD>(wait.count()));
    if (woken != WAIT_OBJECT_0)
        return false;
    // Resets the event; Winsock sets it again while datagrams are left after the next read.
    WSANETWORKEVENTS happened{};
    WSAEnumNetworkEvents(system_->socket, system_->readable, &happened);
    return true;
}

void DatagramSocket::WakeUp() {
    SetEvent(system_->wakeUp);
}

std::vector<ReceivedDatagram> DatagramSocket::ReadWaiting() {
    System& s = *system_;
    std::vector<ReceivedDatagram> read;
    for (std::size_t i = 0; i < kDatagramsPerRead; ++i) {
        sockaddr_in from{};
        int fromLength = sizeof from;
        const int received = recvfrom(s.socket, s.buffer.data(), static_cast<int>(s.buffer.size()), 0,
                                      reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (received >= 0) {
            read.push_back({std::string(s.buffer.data(), static_cast<std::size_t>(received)), SenderOf(from),
                            ntohl(from.sin_addr.s_addr)});
            continue;
        }
        const int error = WSAGetLastError();
        // Longer than the buffer: Winsock gives its beginning with WSAEMSGSIZE and discards the rest.
        // It is dropped whole, and is no error of the endpoint's.
        if (error == WSAEMSGSIZE || error == WSAECONNRESET)
            continue;
        break;  // nothing more waits (WSAEWOULDBLOCK), or a read error that loses the datagram
    }
    return read;
}

void DatagramSocket::SendTo(std::uint32_t address, std::uint16_t port, std::string_view data) {
    const sockaddr_in to = SocketAddress(address, port);
    const int sent = sendto(system_->socket, data.data(), static_cast<int>(data.size()), 0,
                            reinterpret_cast<const sockaddr*>(&to), sizeof to);
    if (sent == SOCKET_ERROR) {
        if (WSAGetLastError() == WSAEMSGSIZE)
            throw SocketError(0, kPackageSizeTooBig);
        throw LastSocketError();
    }
    if (static_cast<std::size_t>(sent) != data.size())
        throw SocketError(0, kNotAllBytesSent);
}

void DatagramSocket::ShutDown() {
    shutdown(system_->socket, SD_SEND);
}

}  // namespace korva::transport
