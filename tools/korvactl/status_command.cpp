// `korvactl status` and `korvactl params`: one request to each device, all at once.
#include "tools/korvactl/command_context.h"
#include "tools/korvactl/conversation_runner.h"
#include "tools/korvactl/request_conversation.h"

#include "protocol/messages.h"

namespace korva::ctl {

int RunStatusCommand(CommandContext& context) {
    const Request request = context.command == "status"
                                ? Request{BuildLiveDataRequest(), ReplyKind::kStatus, "live-data request"}
                                : Request{BuildParameterRequest(true), ReplyKind::kParameters, "parameter request"};
    const auto link = OpenLink(context);
    if (!link)
        return kExitNotAllAnswered;
    std::vector<std::unique_ptr<RequestConversation>> conversations;
    for (const DeviceTarget& target : context.targets)
        conversations.push_back(
            std::make_unique<RequestConversation>(target, context.output, request, context.line.retry));
    RunConversations(*link, Pointers(conversations));
    return AllSucceeded(Pointers(conversations)) ? kExitAllAnswered : kExitNotAllAnswered;
}

}  // namespace korva::ctl
