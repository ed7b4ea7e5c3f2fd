#pragma once
// A loopback peer that answers on a thread of its own, for a device whose behaviour a test scripts:
// it keeps every datagram it hears and sends the script's reply, if any, back to the sender.
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/loopback_peer.h"

namespace korva::testing {

class AnsweringPeer {
public:
    using Script = std::function<std::optional<std::string>(const std::string& request)>;

    // Bound as LoopbackPeer is; script runs on the answering thread.
    AnsweringPeer(const std::string& address, std::uint16_t port, Script script);
    ~AnsweringPeer();
    AnsweringPeer(const AnsweringPeer&) = delete;
    AnsweringPeer& operator=(const AnsweringPeer&) = delete;

    // Every datagram heard so far, in order.
    std::vector<std::string> Requests() const;

private:
    void Serve();

    LoopbackPeer peer_;
    Script script_;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

}  // namespace korva::testing
