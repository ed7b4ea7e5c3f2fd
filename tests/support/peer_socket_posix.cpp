#include "tests/support/peer_socket.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace korva::testing::peer_socket {

Handle OpenBound(const sockaddr_in& local) {
    const int socketFd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (socketFd < 0 || bind(socketFd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        const std::string error = LastErrorText();
        if (socketFd >= 0)
            close(socketFd);
        throw std::runtime_error(error);
    }
    return socketFd;
}

void Close(Handle socket) {
    close(static_cast<int>(socket));
}

std::uint16_t LocalPort(Handle socket) {
    sockaddr_in local{};
    socklen_t length = sizeof local;
    getsockname(static_cast<int>(socket), reinterpret_cast<sockaddr*>(&local), &length);
    return ntohs(local.sin_port);
}

void SetSocketOption(Handle socket, int option, int value) {
    setsockopt(static_cast<int>(socket), SOL_SOCKET, option, &value, sizeof value);
}

bool SendTo(Handle socket, const sockaddr_in& to, std::string_view bytes) {
    return sendto(static_cast<int>(socket), bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to),
                  sizeof to) == static_cast<ssize_t>(bytes.size());
}

bool WaitReadable(Handle socket, std::chrono::milliseconds patience) {
    pollfd readable{static_cast<int>(socket), POLLIN, 0};
    return poll(&readable, 1, static_cast<int>(patience.count())) == 1;
}

std::optional<std::size_t> ReceiveWaiting(Handle socket, std::string& buffer, sockaddr_in& from) {
    socklen_t length = sizeof from;
    const ssize_t received = recvfrom(static_cast<int>(socket), buffer.data(), buffer.size(), MSG_DONTWAIT,
                                      reinterpret_cast<sockaddr*>(&from), &length);
    if (received < 0)
        return std::nullopt;
    return static_cast<std::size_t>(received);
}

std::string LastErrorText() {
    return std::strerror(errno);
}

}  // namespace korva::testing::peer_socket
