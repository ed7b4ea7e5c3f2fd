#include "tests/support/peer_socket.h"

#include <windows.h>

#include <stdexcept>

namespace korva::testing::peer_socket {
namespace {

SOCKET AsSocket(Handle socket) {
    return static_cast<SOCKET>(socket);
}

void StartWinsock() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    if (!started)
        throw std::runtime_error("Winsock did not start");
}

}  // namespace

Handle OpenBound(const sockaddr_in& local) {
    StartWinsock();
    const SOCKET opened = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (opened == INVALID_SOCKET || bind(opened, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        const std::string error = LastErrorText();
        if (opened != INVALID_SOCKET)
            closesocket(opened);
        throw std::runtime_error(error);
    }
    SetHandleInformation(reinterpret_cast<HANDLE>(opened), HANDLE_FLAG_INHERIT, 0);
    // Reads below never block: a peer's Receive waits with WSAPoll first.
    u_long nonBlocking = 1;
    ioctlsocket(opened, FIONBIO, &nonBlocking);
    return static_cast<Handle>(opened);
}

void Close(Handle socket) {
    closesocket(AsSocket(socket));
}

std::uint16_t LocalPort(Handle socket) {
    sockaddr_in local{};
    int length = sizeof local;
    getsockname(AsSocket(socket), reinterpret_cast<sockaddr*>(&local), &length);
    return ntohs(local.sin_port);
}

void SetSocketOption(Handle socket, int option, int value) {
    setsockopt(AsSocket(socket), SOL_SOCKET, option, reinterpret_cast<const char*>(&value), sizeof value);
}

bool SendTo(Handle socket, const sockaddr_in& to, std::string_view bytes) {
    return sendto(AsSocket(socket), bytes.data(), static_cast<int>(bytes.size()), 0,
                  reinterpret_cast<const sockaddr*>(&to), sizeof to) == static_cast<int>(bytes.size());
}

bool WaitReadable(Handle socket, std::chrono::milliseconds patience) {
    WSAPOLLFD readable{AsSocket(socket), POLLRDNORM, 0};
    return WSAPoll(&readable, 1, static_cast<int>(patience.count())) == 1;
}

std::optional<std::size_t> ReceiveWaiting(Handle socket, std::string& buffer, sockaddr_in& from) {
    int length = sizeof from;
    const int received = recvfrom(AsSocket(socket), buffer.data(), static_cast<int>(buffer.size()), 0,
                                  reinterpret_cast<sockaddr*>(&from), &length);
    if (received == SOCKET_ERROR)
        return std::nullopt;
    return static_cast<std::size_t>(received);
}

std::string LastErrorText() {
    return "Winsock error " + std::to_string(WSAGetLastError());
}

}  // namespace korva::testing::peer_socket
