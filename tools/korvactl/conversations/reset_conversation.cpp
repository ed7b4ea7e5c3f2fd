#include "tools/korvactl/conversations/reset_conversation.h"

#include "protocol/messages.h"
#include "tools/korvactl/conversations/conversation_runner.h"
#include "tools/korvactl/conversations/request_conversation.h"

#include <memory>
#include <string>

namespace korva::ctl {

void ResetConversation::Start(Link& link) {
    first_ = link.Now();
    SendCommand(link);
}

void ResetConversation::SendCommand(Link& link) {
    Send(link, session_.NextPollingRequest());
    // Counted from the first command, so the spacing does not stretch with each wake-up's lateness.
    const int sent = session_.ResetCommandsSent();
    WakeAt(session_.ResetPending() ? first_ + sent * spacing_ : first_ + (sent - 1) * spacing_ + lastWait_);
}

void ResetConversation::OnReply(const DeviceReply& reply, Link&) {
    if (reply.kind != ReplyKind::kReset || !ReadResetAck(reply.plain.text, reply.plain.headerOffset))
        return;
    if (!session_.HeardResetAck())
        return;
    Report(reply, session_.ResetCommandsSent());
    Finish(true);
}

void ResetConversation::OnDeadline(Link& link) {
    if (session_.ResetPending()) {
        SendCommand(link);
        return;
    }
    Fail({"ctl.failure.reset_unacknowledged", {{"count", DeviceSession::kResetAttempts}}});
}

ResetOutcome ResetDevices(Link& link, const std::vector<DeviceTarget>& targets, RecordSink& statusFailures,
                          RecordSink& results, const RetryPolicy& retry, std::chrono::milliseconds spacing) {
    const Request statusRequest{BuildLiveDataRequest(), ReplyKind::kStatus, "ctl.request.live_data"};
    std::vector<std::unique_ptr<RequestConversation>> statusReads;
    for (const DeviceTarget& target : targets)
        statusReads.push_back(std::make_unique<RequestConversation>(target, statusFailures, statusRequest, retry));
    const bool statusRun = RunConversations(link, Pointers(statusReads));

    std::vector<std::unique_ptr<ResetConversation>> resets;
    std::vector<std::size_t> resetTarget;  // the target of each reset
    for (std::size_t i = 0; i < statusReads.size(); ++i) {
        const auto& answer = statusReads[i]->Answer();
        if (!answer || !answer->complete)
            continue;  // its failure, or a reply without the echo number, is told already
        if (!statusRun) {
            results.Write(Record{targets[i].name,
                                 std::chrono::system_clock::now(),
                                 std::nullopt,
                                 {"ctl.failure.interrupted_before_reset"},
                                 std::nullopt});
            continue;
        }
        const StatusReading status =
            ReadStatus(answer->plain.text, answer->plain.headerOffset, answer->plain.formatVersion);
        resets.push_back(std::make_unique<ResetConversation>(targets[i], results, status.echo, retry.timeout, spacing));
        resetTarget.push_back(i);
    }
    ResetOutcome outcome{std::vector<bool>(targets.size(), false), !statusRun};
    outcome.interrupted = !RunConversations(link, Pointers(resets)) || outcome.interrupted;
    for (std::size_t r = 0; r < resets.size(); ++r)
        outcome.acknowledged[resetTarget[r]] = resets[r]->Succeeded();
    return outcome;
}

}  // namespace korva::ctl
