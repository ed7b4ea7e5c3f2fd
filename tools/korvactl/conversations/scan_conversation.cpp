#include "tools/korvactl/conversations/scan_conversation.h"

#include "protocol/messages.h"

#include <algorithm>

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
    --progress_.unasked;
    Send(link, BuildParameterRequest(false));
    progress_.lastAsked = link.Now();
    WakeAt(progress_.lastAsked + timeout_);
}

void ScanConversation::OnReply(const DeviceReply& reply, Link&) {
    if (reply.kind != ReplyKind::kParameters)
        return;
    Report(reply);
    Finish(true);
}

void ScanConversation::OnDeadline(Link& link) {
    if (!asked_)
        Ask(link);
    else if (progress_.unasked > 0)
        WakeAt(std::max(link.Now(), progress_.lastPlanned) + timeout_);
    else if (link.Now() < progress_.lastAsked + timeout_)
        WakeAt(progress_.lastAsked + timeout_);
    else
        Finish(false);
}

}  // namespace korva::ctl
