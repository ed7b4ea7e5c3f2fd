#pragma once
// The simulator's sockets, one per address listened on, and its wait for requests and for the request
// to stop (tools::InterruptSignal's, the termination request included), as each system has them:
// sim_sockets_linux.cpp (epoll) and sim_sockets_win32.cpp (one event for every socket's FD_READ, and
// WSAPoll to find which).
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/ipv4_range.h"
#include "tools/common/interrupt_signal.h"
#include "tools/sim/delayed_replies.h"

namespace korva::sim {

// The most sockets this process may open, with the limit raised as far as it goes.
std::uint64_t SocketLimit();
// The descriptors this process holds now, those it was started with included.
std::uint64_t DescriptorsHeld();

// How many sockets SimSockets::Open opens between two looks at the stop request.
inline constexpr std::uint64_t kSocketsBetweenLooks = 1024;
// What SimSockets::Open returns when the stop request came while it opened the sockets.
inline const std::string kOpeningStopped = "stopped";

struct Request {
    std::size_t length = 0;
    ReplyAddress from;
};

class SimSockets {
public:
    explicit SimSockets(tools::InterruptHandle stop);
    ~SimSockets();
    SimSockets(const SimSockets&) = delete;
    SimSockets& operator=(const SimSockets&) = delete;

    // One socket bound to each address of the range alone on port: the port is shared with whatever
    // else runs on the machine's other loopback addresses, so a wildcard socket would take their traffic
    // too. Thousands of sockets take a while to open: a stop request is heard meanwhile too. Empty on
    // success, kOpeningStopped, or what went wrong.
    std::string Open(const Ipv4Range& addresses, std::uint16_t port);
    // Waits until requests wait (the indexes of their sockets), the stop request came (nullopt), or
    // wait has passed (none). No wait: until one of the first two.
    std::optional<std::vector<std::size_t>> Wait(std::optional<std::chrono::milliseconds> wait);
    // The next request waiting on the socket at index, into buffer. nullopt when none waits; a request
    // longer than buffer is read away and comes back with a length beyond buffer's.
    std::optional<Request> Receive(std::size_t index, std::span<char> buffer);
    // A lost reply is what a real device gives on a bad link too: failures are not reported.
    void Send(const Outgoing& reply);

private:
    struct System;
    std::unique_ptr<System> system_;
};

}  // namespace korva::sim
