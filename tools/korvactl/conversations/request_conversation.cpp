#include "tools/korvactl/conversations/request_conversation.h"

#include <string>

namespace korva::ctl {

void RequestConversation::Start(Link& link) {
    SendAttempt(link);
}

void RequestConversation::SendAttempt(Link& link) {
    ++attempts_;
    Send(link, request_.bytes);
    ++sent_;
    WakeAt(link.Now() + policy_.timeout);
}

void RequestConversation::OnReply(const DeviceReply& reply, Link&) {
    // A device that cannot do what it was asked answers with the keyword ERR.
    if (reply.keyword == "ERR") {
        refused_ = true;
        ReportRefusal(reply, {"ctl.failure.refused", {{"request", request_.description}}});
        Finish(false);
        return;
    }
    // Another kind of reply from the same device (a late answer to someone else's request) is no answer.
    if (reply.kind != request_.answer)
        return;
    answer_ = reply;
    Report(reply);
    // A reply cut short is an answer, and told as one, but not the values asked for.
    Finish(reply.complete);
}

void RequestConversation::OnDeadline(Link& link) {
    if (attempts_ <= policy_.retries) {
        SendAttempt(link);
        return;
    }
    Fail({"ctl.failure.no_reply",
          {{"request", request_.description}, {"attempts", attempts_}, {"timeout", policy_.timeout.count()}}});
}

}  // namespace korva::ctl
