#include "tools/korvactl/conversations/watch_conversation.h"

#include "protocol/messages.h"
#include "transport/udp_endpoint.h"

#include <string>

namespace korva::ctl {

void WatchConversation::Start(Link& link) {
    first_ = link.Now();
    Tick(link);
}

void WatchConversation::Tick(Link& link) {
    if (!answered_) {
        ++missed_;
        ReportFailure({"ctl.failure.no_live_data", {{"interval", settings_.interval.count()}}});
    }
    if (settings_.rounds && rounds_ == *settings_.rounds) {
        Finish(missed_ == 0);
        return;
    }
    ++rounds_;
    answered_ = false;
    // Counted from the first round, so rounds do not drift with each wake-up's lateness.
    WakeAt(first_ + rounds_ * settings_.interval);
    try {
        if (const auto parameterRequest = session_.ParameterRequestDue())
            Send(link, *parameterRequest);
        Send(link, session_.NextPollingRequest());
    } catch (const transport::SocketError& error) {
        // Like the console's polling, a failed send costs this round only; the log says why.
        ReportFailure(language::Message::Verbatim(OneLine(error.what())));
        ++missed_;
        answered_ = true;
    }
}

void WatchConversation::OnReply(const DeviceReply& reply, Link&) {
    if (reply.kind == ReplyKind::kParameters)
        session_.HeardParameters();
    if (reply.kind == ReplyKind::kStatus && reply.complete)
        answered_ = true;
    Report(reply);
}

void WatchConversation::OnDeadline(Link& link) {
    Tick(link);
}

}  // namespace korva::ctl
