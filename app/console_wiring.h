#pragma once
// The console below its window: one UDP endpoint, the name lookups and the rules, put together so that
// a datagram goes from the endpoint straight to the rules, and a name found goes to them on the same way
// back. A front end (the Qt window, the Windows one) implements ConsoleView, forwards its events to
// Rules(), and decides how its own thread gets to run ServePending() when wakeOwner is called from the
// receiving thread or a lookup's. No window owns a socket or waits for a name server.
#include <cstdint>
#include <functional>

#include <memory>

#include "console/console_core.h"
#include "protocol/messages.h"
#include "transport/background_lookups.h"
#include "transport/name_resolver.h"
#include "transport/udp_endpoint.h"

namespace korva::app {

class ConsoleWiring {
public:
    // view must outlive the wiring: closing serves datagrams already handed over, which reach it. Names
    // typed in the device's address box are looked up by resolver.
    ConsoleWiring(console::ConsoleView& view, std::function<void()> wakeOwner, std::uint16_t devicePort = kDevicePort,
                  std::shared_ptr<transport::NameResolver> resolver = transport::SystemResolver());
    ~ConsoleWiring();  // closes the endpoint
    ConsoleWiring(const ConsoleWiring&) = delete;
    ConsoleWiring& operator=(const ConsoleWiring&) = delete;

    // Opens the endpoint; false when no socket can be had, which leaves the console useless.
    bool Open();
    // The short pause between opening the socket and handling the first event, as the console always
    // made; on the owner's thread, after Open.
    static void PauseBeforeFirstEvent();
    // Stops listening; the window is going. Datagrams already handed over are served first.
    void Close();
    // On the owner's thread, after wakeOwner: hands what waits to the rules, one datagram at a time, then
    // the names found.
    void ServePending() {
        endpoint_.ServePending();
        lookups_.ServeFinished();
    }

    console::ConsoleCore& Rules() { return rules_; }
    // Received datagrams that have reached the rules so far.
    std::uint64_t DatagramsHandled() const { return endpoint_.DatagramsHandedOver(); }

private:
    transport::UdpEndpoint endpoint_;
    transport::BackgroundLookups lookups_;
    console::ConsoleCore rules_;  // sends through endpoint_ and looks up through lookups_, made after both
};

}  // namespace korva::app
