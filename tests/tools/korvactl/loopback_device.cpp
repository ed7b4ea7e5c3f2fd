#include "tests/tools/korvactl/loopback_device.h"

#include "protocol/messages.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <stdexcept>

namespace korva::ctl::testing {

LoopbackDevice::LoopbackDevice(const std::string& address, Script script) : script_(std::move(script)) {
    fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(kDevicePort);
    inet_pton(AF_INET, address.c_str(), &local.sin_addr);
    if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0)
        throw std::runtime_error("cannot bind the test device on " + address);
    thread_ = std::thread([this] { Serve(); });
}

LoopbackDevice::~LoopbackDevice() {
    stop_ = true;
    thread_.join();
    close(fd_);
}

std::vector<std::string> LoopbackDevice::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void LoopbackDevice::Serve() {
    std::array<char, 2048> buffer;
    while (!stop_) {
        pollfd readable{fd_, POLLIN, 0};
        if (poll(&readable, 1, 20) <= 0)
            continue;
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        const ssize_t length =
            recvfrom(fd_, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (length < 0)
            continue;
        const std::string request(buffer.data(), static_cast<std::size_t>(length));
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(request);
        }
        if (const auto reply = script_(request))
            sendto(fd_, reply->data(), reply->size(), 0, reinterpret_cast<sockaddr*>(&from), fromLength);
    }
}

}  // namespace korva::ctl::testing
