// The link on the UDP endpoint.
#include "protocol/messages.h"
#include "tools/korvactl/conversations/link.h"
#include "tools/korvactl/conversations/owner_wake_up.h"
#include "transport/host_address.h"

#include <algorithm>
#include <cstdint>

namespace korva::ctl {

EndpointLink::EndpointLink(InterruptHandle interrupt)
    : wakeUp_(OpenWakeUp()),
      interrupt_(interrupt),
      endpoint_(
          [this](const std::string& bytes, const transport::Sender& from) {
              received_.push_back({bytes, from.address, std::chrono::system_clock::now()});
          },
          [this] { WakeOwner(wakeUp_); }) {
    endpoint_.AcceptOnlyFrom({});
    try {
        endpoint_.SetActive(true);
    } catch (...) {
        CloseWakeUp(wakeUp_);
        throw;
    }
}

EndpointLink::~EndpointLink() {
    endpoint_.SetActive(false);  // before what its wake-ups go to goes away
    CloseWakeUp(wakeUp_);
}

SteadyTime EndpointLink::Now() {
    return std::chrono::steady_clock::now();
}

void EndpointLink::Send(const std::string& address, std::string_view data) {
    const std::uint32_t device = transport::ResolveHost(address);
    endpoint_.AlsoAcceptFrom(device);  // before the request goes out, or its reply could come too soon
    endpoint_.SendTo(device, kDevicePort, data);
    // A scan without a rate limit sends thousands of requests before it next waits; meanwhile the
    // receiving thread would sit on what it read, and the replies after it would pile up in the
    // socket's buffer until it overflows. Taking what was read lets the thread read on.
    endpoint_.ServePending();
}

WakeReason EndpointLink::WaitUntil(SteadyTime deadline, Incoming& datagram) {
    while (true) {
        if (!received_.empty()) {
            datagram = std::move(received_.front());
            received_.pop_front();
            return WakeReason::kDatagram;
        }
        AboutToWait();
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Now());
        const Woken woken = WaitForWakeUp(wakeUp_, interrupt_, std::max(left, std::chrono::milliseconds(0)));
        if (woken == Woken::kInterrupt)
            return WakeReason::kInterrupted;
        if (woken == Woken::kWakeUp) {
            endpoint_.ServePending();
            continue;
        }
        if (left.count() <= 0)
            return WakeReason::kDeadline;
    }
}

bool EndpointLink::InterruptRequested() {
    return tools::InterruptPending(interrupt_);
}

}  // namespace korva::ctl
