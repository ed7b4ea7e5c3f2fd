#include "bench/loopback_fleet.h"

#include "protocol/messages.h"
#include "tools/sim/sim_device.h"

#include <arpa/inet.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <array>
#include <memory>
#include <stdexcept>

namespace korva::bench {
namespace {

std::string DottedQuad(std::uint32_t address) {
    return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xFF) + "." +
           std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF);
}

int BoundSocket(std::uint32_t address) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(kDevicePort);
    local.sin_addr.s_addr = htonl(address);
    if (fd < 0 || bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0)
        throw std::runtime_error("cannot bind " + DottedQuad(address) + ":5010");
    return fd;
}

}  // namespace

LoopbackFleet::LoopbackFleet(const std::string& first, int count) {
    in_addr start{};
    if (inet_pton(AF_INET, first.c_str(), &start) != 1 || (ntohl(start.s_addr) >> 24) != 127 ||
        ((ntohl(start.s_addr) + static_cast<std::uint32_t>(count) - 1) >> 24) != 127)
        throw std::runtime_error("the fleet stays inside 127.0.0.0/8");
    epoll_ = epoll_create1(EPOLL_CLOEXEC);
    stop_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    epoll_event stopEvent{EPOLLIN, {.u64 = ~0ULL}};
    epoll_ctl(epoll_, EPOLL_CTL_ADD, stop_, &stopEvent);
    for (int i = 0; i < count; ++i) {
        const std::uint32_t address = ntohl(start.s_addr) + static_cast<std::uint32_t>(i);
        addresses_.push_back(DottedQuad(address));
        sockets_.push_back(BoundSocket(address));
        epoll_event event{EPOLLIN, {.u64 = static_cast<std::uint64_t>(i)}};
        epoll_ctl(epoll_, EPOLL_CTL_ADD, sockets_.back(), &event);
    }
    thread_ = std::thread([this] { Serve(); });
}

LoopbackFleet::~LoopbackFleet() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = write(stop_, &one, sizeof one);
    thread_.join();
    for (const int fd : sockets_)
        close(fd);
    close(stop_);
    close(epoll_);
}

void LoopbackFleet::Serve() {
    std::vector<std::unique_ptr<sim::SimDevice>> devices;
    for (std::size_t i = 0; i < addresses_.size(); ++i)
        devices.push_back(std::make_unique<sim::SimDevice>(sim::InitialState(*sim::ParseDecimalOctets(addresses_[i])),
                                                           ScrambleForm{150, 0x3F, 0x14},
                                                           static_cast<std::uint32_t>(i)));
    std::array<epoll_event, 64> ready{};
    std::array<char, 2048> buffer{};
    while (true) {
        const int count = epoll_wait(epoll_, ready.data(), static_cast<int>(ready.size()), -1);
        for (int r = 0; r < count; ++r) {
            if (ready[r].data.u64 == ~0ULL)
                return;
            const std::size_t index = ready[r].data.u64;
            sockaddr_in peer{};
            socklen_t peerSize = sizeof peer;
            ssize_t got;
            while ((got = recvfrom(sockets_[index], buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&peer),
                                   &peerSize)) >= 0) {
                if (const auto reply =
                        devices[index]->Answer(std::string_view(buffer.data(), static_cast<std::size_t>(got)))) {
                    sendto(sockets_[index], reply->sent.data(), reply->sent.size(), 0,
                           reinterpret_cast<const sockaddr*>(&peer), peerSize);
                    ++answered_;
                }
                peerSize = sizeof peer;
            }
        }
    }
}

}  // namespace korva::bench
