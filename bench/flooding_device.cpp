#include "bench/flooding_device.h"

#include "bench/loopback_window.h"
#include "protocol/messages.h"
#include "protocol/unscramble.h"
#include "tools/sim/device_state.h"
#include "tools/sim/sim_device.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace korva::bench {
namespace {

// Enough replies in flight to keep the receiver busy, few enough to fit any socket buffer.
constexpr std::int64_t kAhead = 32;
constexpr auto kGiveUp = std::chrono::milliseconds(200);

// What korva-sim sends for live-data requests, with its drifting readings: most replies show the
// window something new.
std::vector<std::string> StatusReplies(const std::string& address) {
    korva::sim::SimDevice device(korva::sim::InitialState(*korva::sim::ParseDecimalOctets(address)),
                                 ScrambleForm{150, 0x3F, 0x14}, 1);
    std::vector<std::string> replies;
    for (int i = 0; i < 1000; ++i)
        replies.push_back(device.Answer(BuildLiveDataRequest())->sent);
    return replies;
}

}  // namespace

FloodingDevice::FloodingDevice(const std::string& address, std::uint16_t port) {
    RequireLoopback(address);
    replies_ = StatusReplies(address);
    socket_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (socket_ < 0)
        throw std::runtime_error(std::string("socket: ") + std::strerror(errno));
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    inet_pton(AF_INET, address.c_str(), &local.sin_addr);
    if (bind(socket_, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        const std::string error = std::strerror(errno);
        close(socket_);
        throw std::runtime_error("bind " + address + ":" + std::to_string(port) + ": " + error);
    }
}

FloodingDevice::~FloodingDevice() {
    Stop();
    close(socket_);
}

std::uint16_t FloodingDevice::TakeRequest() {
    char request[512];
    sockaddr_in from{};
    socklen_t length = sizeof from;
    if (recvfrom(socket_, request, sizeof request, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&from), &length) < 0)
        return 0;
    return ntohs(from.sin_port);
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
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);

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
            if (sendto(socket_, reply.data(), reply.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to) ==
                static_cast<ssize_t>(reply.size())) {
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
