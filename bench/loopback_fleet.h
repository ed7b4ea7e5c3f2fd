#pragma once
// Many simulated devices in the benchmark's own process: one UDP socket on port 5010 of each loopback
// address from first on, each with its own korva-sim device behind it, all served by one thread.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/loopback_peer.h"

namespace korva::bench {

class LoopbackFleet {
public:
    // first: a dotted quad in 127.0.0.0/8; the addresses follow it one by one.
    LoopbackFleet(const std::string& first, int count);
    ~LoopbackFleet();
    LoopbackFleet(const LoopbackFleet&) = delete;
    LoopbackFleet& operator=(const LoopbackFleet&) = delete;

    const std::vector<std::string>& Addresses() const { return addresses_; }
    std::uint64_t Answered() const { return answered_.load(); }

private:
    void Serve();

    std::vector<std::string> addresses_;
    std::vector<std::unique_ptr<testing::LoopbackPeer>> peers_;
    int epoll_ = -1;
    int stop_ = -1;
    std::atomic<std::uint64_t> answered_{0};
    std::thread thread_;
};

}  // namespace korva::bench
