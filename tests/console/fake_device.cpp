#include "fake_device.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <stdexcept>

#include "protocol/messages.h"

FakeDevice::FakeDevice(const char* address) {
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(korva::kDevicePort);
    if (inet_pton(AF_INET, address, &local.sin_addr) != 1 || (ntohl(local.sin_addr.s_addr) >> 24) != 127) {
        throw std::runtime_error(std::string("fake devices live on loopback only, not on ") + address);
    }
    socket_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (socket_ < 0 || bind(socket_, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        if (socket_ >= 0)
            close(socket_);
        throw std::runtime_error(std::string("cannot bind the fake device on ") + address + ":5010");
    }
}

FakeDevice::~FakeDevice() {
    close(socket_);
}

std::optional<std::string> FakeDevice::NextRequest(std::chrono::milliseconds patience) {
    pollfd readable{socket_, POLLIN, 0};
    if (poll(&readable, 1, static_cast<int>(patience.count())) != 1)
        return std::nullopt;
    std::array<char, 65536> buffer;
    socklen_t length = sizeof lastSender_;
    const ssize_t received =
        recvfrom(socket_, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&lastSender_), &length);
    if (received < 0)
        return std::nullopt;
    return std::string(buffer.data(), static_cast<std::size_t>(received));
}

std::vector<std::string> FakeDevice::WaitingRequests() {
    std::vector<std::string> requests;
    while (std::optional<std::string> request = NextRequest(std::chrono::milliseconds(0))) {
        requests.push_back(*request);
    }
    return requests;
}

void FakeDevice::Reply(std::string_view reply) {
    if (lastSender_.sin_port == 0)
        throw std::logic_error("the fake device has not been asked anything yet");
    const ssize_t sent = sendto(socket_, reply.data(), reply.size(), 0, reinterpret_cast<const sockaddr*>(&lastSender_),
                                sizeof lastSender_);
    if (sent != static_cast<ssize_t>(reply.size()))
        throw std::runtime_error("the fake device could not reply");
}

std::uint16_t FakeDevice::ConsolePort() const {
    return ntohs(lastSender_.sin_port);
}
