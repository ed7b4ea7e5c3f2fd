#pragma once
// What korvactl's conversations need from the network: send a request to an address, wait for the next
// reply until a deadline, and know the time. The real link sits on the UDP endpoint; tests put a
// scripted device with its own clock behind the same interface.
#include <chrono>
#include <string>
#include <string_view>

namespace korva::ctl {

using SteadyTime = std::chrono::steady_clock::time_point;
using WallTime = std::chrono::system_clock::time_point;

struct Incoming {
    std::string bytes;
    std::string from;  // the sender's dotted quad
    WallTime receivedAt;
};

enum class WakeReason { kDatagram, kDeadline, kInterrupted };

class Link {
public:
    virtual ~Link() = default;
    virtual SteadyTime Now() = 0;
    // address is a resolved dotted quad. Throws transport::SocketError.
    virtual void Send(const std::string& address, std::string_view data) = 0;
    // Returns kDatagram with datagram filled in as soon as one is there (even past the deadline),
    // kDeadline once the deadline has passed without one, kInterrupted when the user asked to stop.
    virtual WakeReason WaitUntil(SteadyTime deadline, Incoming& datagram) = 0;
};

}  // namespace korva::ctl
