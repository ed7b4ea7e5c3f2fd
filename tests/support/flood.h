#pragma once
// A flood of one datagram, poured from a loopback peer of its own by a thread of its own.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <thread>

#include "tests/support/loopback_peer.h"

namespace korva::testing {

// Sends datagram from `from` to address:port as fast as the sending thread can, until Stop() or limit
// datagrams. Throws std::invalid_argument, before anything is sent, when either address is off loopback.
class Flood {
public:
    Flood(const std::string& from, const std::string& address, std::uint16_t port, std::string datagram,
          std::size_t limit);
    ~Flood();  // stops
    Flood(const Flood&) = delete;
    Flood& operator=(const Flood&) = delete;

    void Stop();
    std::size_t Sent() const { return sent_.load(); }   // datagrams the system accepted
    bool Finished() const { return finished_.load(); }  // limit reached

private:
    LoopbackPeer source_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> finished_{false};
    std::atomic<std::size_t> sent_{0};
    std::thread sender_;
};

}  // namespace korva::testing
