#include "bench/flooding_device.h"

#include "protocol/address_text.h"
#include "protocol/messages.h"
#include "protocol/unscramble.h"
#include "tests/support/loopback_address.h"
#include "tools/sim/device_state.h"
#include "tools/sim/sim_device.h"

namespace korva::bench {
namespace {

// Enough replies in flight to keep the receiver busy, few enough to fit any socket buffer.
constexpr std::int64_t kAhead = 32;
constexpr auto kGiveUp = std::chrono::milliseconds(200);

// What korva-sim sends for live-data requests, with its drifting readings: most replies show the
// window something new.
std::vector<std::string> StatusReplies(const std::string& address) {
    korva::sim::SimDevice device(korva::sim::InitialState(korva::sim::AddressOctets(*korva::ParseIpv4(address))),
                                 ScrambleForm{150, 0x3F, 0x14}, 1);
    std::vector<std::string> replies;
    for (int i = 0; i < 1000; ++i)
        replies.push_back(device.Answer(BuildLiveDataRequest())->sent);
    return replies;
}

}  // namespace

// The peer is bound before the replies are made, so that an address off loopback is refused first.
FloodingDevice::FloodingDevice(const std::string& address, std::uint16_t port)
    : peer_(address, port), replies_(StatusReplies(address)) {}

FloodingDevice::~FloodingDevice() {
    Stop();
}

std::uint16_t FloodingDevice::TakeRequest() {
    const auto request = peer_.Receive(std::chrono::milliseconds(0));
    return request ? korva::testing::PortOf(request->from) : 0;
}

void FloodingDevice::Start(std::uint16_t port, HandledCount handled) {
    Stop();
    stop_ = false;
    sent_ = 0;
    lost_ = 0;
    sender_ = std::thread([this, port, handled = std::move(handled)] { Flood(port, handled); });
}

void FloodingDevice::Stop() {
    stop_ = true;
    if (sender_.joinable())
        sender_.join();
}

void FloodingDevice::Flood(std::uint16_t port, const HandledCount& handled) {
    const sockaddr_in to = korva::testing::LoopbackAddress("127.0.0.1", port);

    const std::uint64_t handledBefore = handled();
    std::uint64_t sent = 0;
    std::uint64_t lost = 0;
    std::uint64_t lastHandled = 0;
    auto lastProgress = std::chrono::steady_clock::now();
    while (!stop_.load(std::memory_order_relaxed)) {
        const std::uint64_t done = handled() - handledBefore;
        const auto now = std::chrono::steady_clock::now();
        if (done != lastHandled) {
            lastHandled = done;
            lastProgress = now;
        }
        const auto ahead = static_cast<std::int64_t>(sent - lost) - static_cast<std::int64_t>(done);
        if (ahead < kAhead) {
            const std::string& reply = replies_[sent % replies_.size()];
            if (peer_.TrySend(to, reply)) {
                sent_.store(++sent, std::memory_order_relaxed);
                continue;
            }
        }
        if (now - lastProgress > kGiveUp) {
            // The kernel dropped some (a full socket buffer): stop waiting for them.
            lost += static_cast<std::uint64_t>(ahead);
            lost_.store(lost, std::memory_order_relaxed);
            lastProgress = now;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(20));
    }
}

}  // namespace korva::bench
