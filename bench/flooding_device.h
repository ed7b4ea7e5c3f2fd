#pragma once
// A stand-in device on a loopback address that answers as fast as the receiver keeps up: korva-sim's
// status replies (form 150), sent never more than a few ahead of what the receiver reports as handled,
// so that the figure is the receiver's pace and not the datagrams the kernel drops on the way.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/loopback_peer.h"

namespace korva::bench {

class FloodingDevice {
public:
    using HandledCount = std::function<std::uint64_t()>;

    // Bound to address (loopback only) and port, where the console's requests arrive.
    FloodingDevice(const std::string& address, std::uint16_t port);
    ~FloodingDevice();
    FloodingDevice(const FloodingDevice&) = delete;
    FloodingDevice& operator=(const FloodingDevice&) = delete;

    // The port a request came from (the console's endpoint), or 0 when none is waiting.
    std::uint16_t TakeRequest();

    // Sends to 127.0.0.1:port until Stop(); handled is read from the sending thread.
    void Start(std::uint16_t port, HandledCount handled);
    void Stop();

    // Since the last Start().
    std::uint64_t Sent() const { return sent_.load(); }
    // Replies given up for lost since the last Start(): the receiver did not count them within 200 ms.
    std::uint64_t Lost() const { return lost_.load(); }

private:
    void Flood(std::uint16_t port, const HandledCount& handled);

    korva::testing::LoopbackPeer peer_;
    std::vector<std::string> replies_;
    std::thread sender_;
    std::atomic<bool> stop_{false};
    std::atomic<std::uint64_t> sent_{0};
    std::atomic<std::uint64_t> lost_{0};
};

}  // namespace korva::bench
