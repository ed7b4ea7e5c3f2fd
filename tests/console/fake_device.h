#pragma once
// A device on a loopback address: it records the exact bytes of every request the console sends there
// and answers the last sender with whatever reply a test chooses.
#include <netinet/in.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/loopback_peer.h"

class FakeDevice {
public:
    // On 127.0.0.1 and a port the system picks: the console is given the port (see WindowTest::Open).
    FakeDevice();
    explicit FakeDevice(const std::string& address);  // binds address:5010; throws as korva::testing::LoopbackPeer

    const std::string& Address() const { return peer_.Address(); }
    std::uint16_t Port() const { return peer_.Port(); }

    // The next request, or nullopt when none arrives within patience.
    std::optional<std::string> NextRequest(std::chrono::milliseconds patience = std::chrono::milliseconds(2000));
    // The requests already waiting, without waiting for more.
    std::vector<std::string> WaitingRequests();
    // Sends reply to where the last request came from (the console's endpoint).
    void Reply(std::string_view reply);
    // The port the last request came from: where the console's endpoint listens (0 before any request).
    std::uint16_t ConsolePort() const;

private:
    korva::testing::LoopbackPeer peer_;
    sockaddr_in lastSender_{};
};
