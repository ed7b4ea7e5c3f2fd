#pragma once
// One address of a search: a parameter request at its turn in the pace, then a wait for the reply.
// Silence is no failure here, since most addresses of a site's range hold no device: an address that
// does not answer leaves no record.
#include "tools/korvactl/conversation.h"

#include <chrono>

namespace korva::ctl {

class ScanConversation : public Conversation {
public:
    ScanConversation(DeviceTarget target, RecordSink& sink, SteadyTime sendAt, std::chrono::milliseconds timeout)
        : Conversation(std::move(target), sink), sendAt_(sendAt), timeout_(timeout) {}

    void Start(Link& link) override;
    void OnReply(const DeviceReply& reply, Link& link) override;
    void OnDeadline(Link& link) override;
    void OnInterrupt() override { Finish(false); }

    bool Asked() const { return asked_; }

private:
    void Ask(Link& link);

    SteadyTime sendAt_;
    std::chrono::milliseconds timeout_;
    bool asked_ = false;
};

}  // namespace korva::ctl
