#pragma once
#include "tools/korvactl/conversations/conversation.h"

#include <chrono>
#include <cstdint>

namespace korva::ctl {

// One address of a search: a parameter request at its turn in the pace, then a wait for the reply until
// the time-out has passed since the search's last request. Counting from the search's last request,
// not this address's own: thousands of requests sent in one go take longer than a time-out, and the
// replies to the first ones wait unread meanwhile. Silence is no failure here, since most addresses of a
// site's range hold no device: an address that does not answer leaves no record.
// Shared by the conversations of one search.
struct ScanProgress {
    std::uint64_t unasked = 0;  // addresses whose request has not gone out yet
    SteadyTime lastPlanned{};   // when the last request is due to go out
    SteadyTime lastAsked{};
};

class ScanConversation : public Conversation {
public:
    ScanConversation(DeviceTarget target, RecordSink& sink, ScanProgress& progress, SteadyTime sendAt,
                     std::chrono::milliseconds timeout)
        : Conversation(std::move(target), sink), progress_(progress), sendAt_(sendAt), timeout_(timeout) {
        ++progress_.unasked;
    }

    void Start(Link& link) override;
    void OnReply(const DeviceReply& reply, Link& link) override;
    void OnDeadline(Link& link) override;
    void OnInterrupt() override { Finish(false); }

    bool Asked() const { return asked_; }

private:
    void Ask(Link& link);

    ScanProgress& progress_;
    SteadyTime sendAt_;
    std::chrono::milliseconds timeout_;
    bool asked_ = false;
};

}  // namespace korva::ctl
