#pragma once
// The network as korvactl's conversations see it, and the real link on the UDP endpoint, whose waits end
// at Ctrl-C.
#include "tools/common/interrupt_signal.h"
#include "tools/korvactl/model/wall_time.h"
#include "transport/udp_endpoint.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>

namespace korva::ctl {

// What korvactl's conversations need from the network: send a request to an address, wait for the next
// reply until a deadline, and know the time. The real link sits on the UDP endpoint; tests put a
// scripted device with its own clock behind the same interface.
using SteadyTime = std::chrono::steady_clock::time_point;

struct Incoming {
    std::string bytes;
    std::string from;  // the sender's dotted quad
    WallTime receivedAt;
};

enum class WakeReason { kDatagram, kDeadline, kInterrupted };

using tools::InterruptHandle;
using tools::InterruptSignal;
using tools::kNoInterrupt;

class Link {
public:
    virtual ~Link() = default;
    virtual SteadyTime Now() = 0;
    // address is a resolved dotted quad. Throws transport::SocketError.
    virtual void Send(const std::string& address, std::string_view data) = 0;
    // Returns kDatagram with datagram filled in as soon as one is there (even past the deadline),
    // kDeadline once the deadline has passed without one, kInterrupted when the user asked to stop.
    virtual WakeReason WaitUntil(SteadyTime deadline, Incoming& datagram) = 0;
    // Whether the user has asked to stop, without waiting: a run of sends that fail at once never
    // waits, and must still hear the request.
    virtual bool InterruptRequested() = 0;

    // Runs beforeWaiting whenever WaitUntil has nothing at hand and asks the network: the output
    // held back until then goes out.
    void BeforeWaiting(std::function<void()> beforeWaiting) { beforeWaiting_ = std::move(beforeWaiting); }

protected:
    void AboutToWait() {
        if (beforeWaiting_)
            beforeWaiting_();
    }

private:
    std::function<void()> beforeWaiting_;
};

// The link on the console's own UDP endpoint. The thread that calls WaitUntil is the endpoint's owner:
// the endpoint's wake-up wakes WaitUntil (owner_wake_up.h), and WaitUntil then serves the hand-over
// itself, so every datagram is taken in on the caller's thread, one at a time.
//
// Only datagrams from addresses this link has sent to get that far: the rest are dropped on the
// endpoint's receiving thread, so that a flood from elsewhere cannot fill the socket's buffer while
// every one of its datagrams waits for a hand-over, and crowd out the devices' replies.
class EndpointLink : public Link {
public:
    // interrupt: becomes ready when the user asks to stop (kNoInterrupt: never).
    // Opens the endpoint; throws transport::SocketError.
    explicit EndpointLink(InterruptHandle interrupt = kNoInterrupt);
    ~EndpointLink() override;
    EndpointLink(const EndpointLink&) = delete;
    EndpointLink& operator=(const EndpointLink&) = delete;

    SteadyTime Now() override;
    void Send(const std::string& address, std::string_view data) override;
    WakeReason WaitUntil(SteadyTime deadline, Incoming& datagram) override;
    bool InterruptRequested() override;

private:
    std::intptr_t wakeUp_;
    InterruptHandle interrupt_;
    std::deque<Incoming> received_;
    transport::UdpEndpoint endpoint_;
};

}  // namespace korva::ctl
