#pragma once
// The link on the console's own UDP endpoint. The thread that calls WaitUntil is the endpoint's owner:
// the endpoint's wake-up writes to an eventfd that WaitUntil polls, and WaitUntil then serves the
// hand-over itself, so every datagram is taken in on the caller's thread, one at a time.
//
// Only datagrams from addresses this link has sent to get that far: the rest are dropped on the
// endpoint's receiving thread, so that a flood from elsewhere cannot fill the socket's buffer while
// every one of its datagrams waits for a hand-over, and crowd out the devices' replies.
#include "tools/korvactl/link.h"
#include "transport/udp_endpoint.h"

#include <deque>

namespace korva::ctl {

class EndpointLink : public Link {
public:
    // interruptFd: a descriptor that becomes readable when the user asks to stop (-1: none).
    // Opens the endpoint; throws transport::SocketError.
    explicit EndpointLink(int interruptFd = -1);
    ~EndpointLink() override;
    EndpointLink(const EndpointLink&) = delete;
    EndpointLink& operator=(const EndpointLink&) = delete;

    SteadyTime Now() override;
    void Send(const std::string& address, std::string_view data) override;
    WakeReason WaitUntil(SteadyTime deadline, Incoming& datagram) override;

private:
    int wakeFd_;
    int interruptFd_;
    std::deque<Incoming> received_;
    transport::UdpEndpoint endpoint_;
};

}  // namespace korva::ctl
