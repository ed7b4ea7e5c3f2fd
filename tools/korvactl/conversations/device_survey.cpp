#include "tools/korvactl/conversations/device_survey.h"

#include "protocol/messages.h"
#include "tools/korvactl/conversations/conversation_runner.h"
#include "tools/korvactl/conversations/request_conversation.h"

#include <algorithm>
#include <memory>

namespace korva::ctl {

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
    const Request liveData{BuildLiveDataRequest(), ReplyKind::kStatus, "ctl.request.live_data"};
    const Request parameters{BuildParameterRequest(false), ReplyKind::kParameters, "ctl.request.parameters"};
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
