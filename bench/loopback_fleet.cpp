#include "bench/loopback_fleet.h"

#include "protocol/address_text.h"
#include "protocol/messages.h"
#include "tests/support/loopback_address.h"
#include "tools/sim/sim_device.h"

#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <array>
#include <chrono>

namespace korva::bench {

LoopbackFleet::LoopbackFleet(const std::string& first, int count) {
    const std::uint32_t start = ntohl(testing::LoopbackAddress(first, kDevicePort).sin_addr.s_addr);
    epoll_ = epoll_create1(EPOLL_CLOEXEC);
    stop_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    epoll_event stopEvent{EPOLLIN, {.u64 = ~0ULL}};
    epoll_ctl(epoll_, EPOLL_CTL_ADD, stop_, &stopEvent);
    for (int i = 0; i < count; ++i) {
        // Throws past the end of 127.0.0.0/8: the fleet stays on loopback.
        addresses_.push_back(
            testing::DottedQuad(testing::LoopbackAddress(start + static_cast<std::uint32_t>(i), kDevicePort)));
        peers_.push_back(std::make_unique<testing::LoopbackPeer>(addresses_.back(), kDevicePort));
        epoll_event event{EPOLLIN, {.u64 = static_cast<std::uint64_t>(i)}};
        epoll_ctl(epoll_, EPOLL_CTL_ADD, peers_.back()->Descriptor(), &event);
    }
    thread_ = std::thread([this] { Serve(); });
}

LoopbackFleet::~LoopbackFleet() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = write(stop_, &one, sizeof one);
    thread_.join();
    close(stop_);
    close(epoll_);
}

void LoopbackFleet::Serve() {
    std::vector<std::unique_ptr<sim::SimDevice>> devices;
    for (std::size_t i = 0; i < addresses_.size(); ++i)
        devices.push_back(
            std::make_unique<sim::SimDevice>(sim::InitialState(sim::AddressOctets(*ParseIpv4(addresses_[i]))),
                                             ScrambleForm{150, 0x3F, 0x14}, static_cast<std::uint32_t>(i)));
    std::array<epoll_event, 64> ready{};
    while (true) {
        const int count = epoll_wait(epoll_, ready.data(), static_cast<int>(ready.size()), -1);
        for (int r = 0; r < count; ++r) {
            if (ready[r].data.u64 == ~0ULL)
                return;
            const std::size_t index = ready[r].data.u64;
            const testing::LoopbackPeer& peer = *peers_[index];
            while (const auto request = peer.Receive(std::chrono::milliseconds(0))) {
                if (const auto reply = devices[index]->Answer(request->bytes)) {
                    peer.TrySend(request->from, reply->sent);
                    ++answered_;
                }
            }
        }
    }
}

}  // namespace korva::bench
