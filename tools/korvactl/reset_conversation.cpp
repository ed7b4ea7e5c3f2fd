#include "tools/korvactl/reset_conversation.h"

#include "protocol/messages.h"

namespace korva::ctl {

void ResetConversation::Start(Link& link) {
    first_ = link.Now();
    SendCommand(link);
}

void ResetConversation::SendCommand(Link& link) {
    Send(link, BuildResetCommand(echo_));
    ++sent_;
    // Counted from the first command, so the spacing does not stretch with each wake-up's lateness.
    WakeAt(sent_ < kResetCommands ? first_ + sent_ * spacing_ : first_ + (kResetCommands - 1) * spacing_ + lastWait_);
}

void ResetConversation::OnReply(const DeviceReply& reply, Link&) {
    if (reply.kind != ReplyKind::kReset || !ReadResetAck(reply.plain.text, reply.plain.headerOffset))
        return;
    Report(reply, sent_);
    Finish(true);
}

void ResetConversation::OnDeadline(Link& link) {
    if (sent_ < kResetCommands) {
        SendCommand(link);
        return;
    }
    Fail("reset not acknowledged after " + std::to_string(kResetCommands) + " reset commands");
}

}  // namespace korva::ctl
