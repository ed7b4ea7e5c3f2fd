#pragma once
// The far end of the endpoint's conversations: a plain UDP socket on one loopback address.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace korva::transport::testing {

class LoopbackPeer {
public:
    explicit LoopbackPeer(const char* address) : address_(address) {
        fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in local = Address(address, 0);
        if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
            throw std::runtime_error(std::string("cannot bind test peer on ") + address);
        }
        socklen_t length = sizeof local;
        getsockname(fd_, reinterpret_cast<sockaddr*>(&local), &length);
        port_ = ntohs(local.sin_port);
        timeval patience{5, 0};
        setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
        const int bigBuffer = 1 << 20;
        setsockopt(fd_, SOL_SOCKET, SO_SNDBUF, &bigBuffer, sizeof bigBuffer);
    }
    ~LoopbackPeer() { close(fd_); }
    LoopbackPeer(const LoopbackPeer&) = delete;
    LoopbackPeer& operator=(const LoopbackPeer&) = delete;

    const std::string& address() const { return address_; }
    std::uint16_t port() const { return port_; }

    // The next datagram, or nullopt after a few seconds without one.
    std::optional<std::string> Receive() {
        std::array<char, 70000> buffer;
        const ssize_t length = recv(fd_, buffer.data(), buffer.size(), 0);
        if (length < 0)
            return std::nullopt;
        return std::string(buffer.data(), static_cast<std::size_t>(length));
    }

    void SendToLoopbackPort(std::uint16_t port, std::string_view bytes) {
        const sockaddr_in to = Address("127.0.0.1", port);
        const ssize_t sent =
            sendto(fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
        if (sent != static_cast<ssize_t>(bytes.size()))
            throw std::runtime_error("test peer could not send");
    }

private:
    static sockaddr_in Address(const char* address, std::uint16_t port) {
        sockaddr_in result{};
        result.sin_family = AF_INET;
        result.sin_port = htons(port);
        inet_pton(AF_INET, address, &result.sin_addr);
        return result;
    }

    std::string address_;
    int fd_ = -1;
    std::uint16_t port_ = 0;
};

}  // namespace korva::transport::testing
