// Each kind of conversation: one request, automatic mode, the reset, one address of a search, and the
// sequences built of them (the reset of several devices, the survey of a scrape).
#include "protocol/messages.h"
#include "tools/korvactl/conversations/conversation.h"
#include "transport/udp_endpoint.h"

#include <algorithm>
#include <memory>

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
    // Another kind of reply from the same device (a late answer to someone else's request) is no answer.
    if (reply.kind != request_.answer)
        return;
    answer_ = reply;
    Report(reply);
    Finish(true);
}

void RequestConversation::OnDeadline(Link& link) {
    if (attempts_ <= policy_.retries) {
        SendAttempt(link);
        return;
    }
    Fail("no reply to the " + request_.description + " (" + std::to_string(attempts_) +
         (attempts_ == 1 ? " request, " : " requests, ") + std::to_string(policy_.timeout.count()) + " ms each)");
}

void WatchConversation::Start(Link& link) {
    first_ = link.Now();
    Tick(link);
}

void WatchConversation::Tick(Link& link) {
    if (!answered_) {
        ++missed_;
        ReportFailure("no live data within " + std::to_string(settings_.interval.count()) + " ms");
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
        ReportFailure(OneLine(error.what()));
        ++missed_;
        answered_ = true;
    }
}

void WatchConversation::OnReply(const DeviceReply& reply, Link&) {
    if (reply.kind == ReplyKind::kParameters)
        session_.HeardParameters();
    if (reply.kind == ReplyKind::kStatus)
        answered_ = true;
    Report(reply);
}

void WatchConversation::OnDeadline(Link& link) {
    Tick(link);
}

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
    Fail("reset not acknowledged after " + std::to_string(DeviceSession::kResetAttempts) + " reset commands");
}

ResetOutcome ResetDevices(Link& link, const std::vector<DeviceTarget>& targets, RecordSink& statusFailures,
                          RecordSink& results, const RetryPolicy& retry, std::chrono::milliseconds spacing) {
    const Request statusRequest{BuildLiveDataRequest(), ReplyKind::kStatus, "live-data request"};
    std::vector<std::unique_ptr<RequestConversation>> statusReads;
    for (const DeviceTarget& target : targets)
        statusReads.push_back(std::make_unique<RequestConversation>(target, statusFailures, statusRequest, retry));
    const bool statusRun = RunConversations(link, Pointers(statusReads));

    std::vector<std::unique_ptr<ResetConversation>> resets;
    std::vector<std::size_t> resetTarget;  // the target of each reset
    for (std::size_t i = 0; i < statusReads.size(); ++i) {
        const auto& answer = statusReads[i]->Answer();
        if (!answer)
            continue;
        if (!statusRun) {
            results.Write(Record{targets[i].name, std::chrono::system_clock::now(), std::nullopt,
                                 "interrupted before the reset command", std::nullopt});
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

namespace {

// Three tries fit in the budget: the first and two repeats.
RetryPolicy PolicyWithin(std::chrono::milliseconds budget) {
    return {std::max(std::chrono::milliseconds(1), budget / 3), 2};
}

void NoteReply(DeviceSample& sample, const DeviceReply& reply) {
    if (!sample.lastReply || *sample.lastReply < reply.datagram.receivedAt)
        sample.lastReply = reply.datagram.receivedAt;
    sample.restartPending = sample.restartPending || ChangedFlag(reply.plain.text, reply.plain.headerOffset);
}

}  // namespace

std::vector<DeviceSample> SurveyDevices(Link& link, const std::vector<DeviceTarget>& targets,
                                        std::chrono::milliseconds budget) {
    // The survey reads the answers off its conversations; the records they write are not needed.
    DiscardedRecords unrecorded;
    const RetryPolicy policy = PolicyWithin(budget);
    const Request liveData{BuildLiveDataRequest(), ReplyKind::kStatus, "live-data request"};
    const Request parameters{BuildParameterRequest(false), ReplyKind::kParameters, "parameter request"};
    std::vector<std::unique_ptr<RequestConversation>> statusAsks, parameterAsks;
    for (const DeviceTarget& target : targets) {
        statusAsks.push_back(std::make_unique<RequestConversation>(target, unrecorded, liveData, policy));
        parameterAsks.push_back(std::make_unique<RequestConversation>(target, unrecorded, parameters, policy));
    }
    std::vector<Conversation*> all = Pointers(statusAsks);
    const std::vector<Conversation*> parameterPointers = Pointers(parameterAsks);
    all.insert(all.end(), parameterPointers.begin(), parameterPointers.end());
    RunConversations(link, all);

    std::vector<DeviceSample> samples;
    for (std::size_t i = 0; i < targets.size(); ++i) {
        DeviceSample sample{targets[i].name, {}, {}, {}, false};
        if (const auto& reply = statusAsks[i]->Answer()) {
            sample.status = ReadStatus(reply->plain.text, reply->plain.headerOffset, reply->plain.formatVersion);
            NoteReply(sample, *reply);
        }
        if (const auto& reply = parameterAsks[i]->Answer()) {
            sample.parameters =
                ReadParameters(reply->plain.text, reply->plain.headerOffset, reply->plain.formatVersion);
            NoteReply(sample, *reply);
        }
        samples.push_back(std::move(sample));
    }
    return samples;
}

}  // namespace korva::ctl
