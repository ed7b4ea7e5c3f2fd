#include "tests/support/flood.h"

#include <utility>

#include "tests/support/loopback_address.h"

namespace korva::testing {

Flood::Flood(const std::string& from, const std::string& address, std::uint16_t port, std::string datagram,
             std::size_t limit)
    : source_(from) {
    // Built here, on the test's thread, where a throw is reported.
    const sockaddr_in to = LoopbackAddress(address, port);
    sender_ = std::thread([this, to, datagram = std::move(datagram), limit] {
        while (!stop_.load(std::memory_order_relaxed) && sent_.load(std::memory_order_relaxed) < limit) {
            // A full receive buffer on loopback drops at the receiver; the sender is rarely refused.
            if (source_.TrySend(to, datagram))
                sent_.fetch_add(1, std::memory_order_relaxed);
        }
        finished_.store(sent_.load() >= limit);
    });
}

Flood::~Flood() {
    Stop();
}

void Flood::Stop() {
    stop_.store(true);
    if (sender_.joinable())
        sender_.join();
}

}  // namespace korva::testing
