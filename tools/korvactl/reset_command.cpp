// `korvactl reset`: the echo number from a status reply, then the reset commands until acknowledged.
#include "tools/korvactl/command_context.h"
#include "tools/korvactl/conversation_runner.h"
#include "tools/korvactl/record_writers.h"
#include "tools/korvactl/request_conversation.h"
#include "tools/korvactl/reset_conversation.h"

#include "protocol/messages.h"

namespace korva::ctl {

int RunResetCommand(CommandContext& context) {
    const auto link = OpenLink(context);
    if (!link)
        return kExitNotAllAnswered;

    // The status replies only serve to learn each device's echo number; failures to get one are results.
    RecordFilter statusFailures(context.output, RecordFilter::Keep::kFailures);
    const Request statusRequest{BuildLiveDataRequest(), "SND", "live-data request"};
    std::vector<std::unique_ptr<RequestConversation>> statusReads;
    for (const DeviceTarget& target : context.targets)
        statusReads.push_back(
            std::make_unique<RequestConversation>(target, statusFailures, statusRequest, context.line.retry));
    const bool statusRun = RunConversations(*link, Pointers(statusReads));

    std::vector<std::unique_ptr<ResetConversation>> resets;
    for (const auto& statusRead : statusReads) {
        const auto& answer = statusRead->Answer();
        if (!answer)
            continue;
        if (!statusRun) {
            ReportUnanswered(context, statusRead->Target(), "interrupted before the reset command");
            continue;
        }
        const StatusReading status =
            ReadStatus(answer->plain.text, answer->plain.headerOffset, answer->plain.formatVersion);
        resets.push_back(std::make_unique<ResetConversation>(statusRead->Target(), context.output, status.echo,
                                                             context.line.retry.timeout));
    }
    RunConversations(*link, Pointers(resets));
    const bool allReset = resets.size() == statusReads.size() && AllSucceeded(Pointers(resets));
    return allReset ? kExitAllAnswered : kExitNotAllAnswered;
}

}  // namespace korva::ctl
