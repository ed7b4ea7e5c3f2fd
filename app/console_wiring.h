#pragma once
// The console below its window: one UDP endpoint and the rules, put together so that a datagram goes
// from the endpoint straight to the rules. A front end (the Qt window, the Windows one) implements
// ConsoleView, forwards its events to Rules(), and decides how its own thread gets to run
// ServePending() when wakeOwner is called from the receiving thread. No window owns a socket.
#include <cstdint>
#include <functional>

#include "console/console_core.h"
#include "protocol/messages.h"
#include "transport/udp_endpoint.h"

namespace korva::app {

class ConsoleWiring {
public:
    // view must outlive the wiring: closing serves datagrams already handed over, which reach it.
    ConsoleWiring(console::ConsoleView& view, std::function<void()> wakeOwner,
                  std::uint16_t devicePort = kDevicePort);
    ~ConsoleWiring();  // closes the endpoint
    ConsoleWiring(const ConsoleWiring&) = delete;
    ConsoleWiring& operator=(const ConsoleWiring&) = delete;

    // Opens the endpoint; false when no socket can be had, which leaves the console useless.
    bool Open();
    // Stops listening; the window is going. Datagrams already handed over are served first.
    void Close();
    // On the owner's thread, after wakeOwner: hands what waits to the rules, one datagram at a time.
    void ServePending() { endpoint_.ServePending(); }

    console::ConsoleCore& Rules() { return rules_; }
    // Received datagrams that have reached the rules so far.
    std::uint64_t DatagramsHandled() const { return endpoint_.DatagramsHandedOver(); }

private:
    transport::UdpEndpoint endpoint_;
    console::ConsoleCore rules_;  // sends through endpoint_, constructed after it
};

}  // namespace korva::app
