#include "tools/korvactl/scan_conversation.h"

#include "protocol/messages.h"

namespace korva::ctl {

void ScanConversation::Start(Link& link) {
    if (sendAt_ <= link.Now())
        Ask(link);
    else
        WakeAt(sendAt_);
}

void ScanConversation::Ask(Link& link) {
    // The automatic request, as the console sends to a device it has not heard from yet; the manual one
    // belongs to reading back a write.
    asked_ = true;
    Send(link, BuildParameterRequest(false));
    WakeAt(link.Now() + timeout_);
}

void ScanConversation::OnReply(const DeviceReply& reply, Link&) {
    if (reply.keyword != "RPR")
        return;
    Report(reply);
    Finish(true);
}

void ScanConversation::OnDeadline(Link& link) {
    if (!asked_)
        Ask(link);
    else
        Finish(false);
}

}  // namespace korva::ctl
