// `korvactl watch`: automatic mode for each device named, until --count rounds or Ctrl-C.
#include "tools/korvactl/command_context.h"
#include "tools/korvactl/conversation_runner.h"
#include "tools/korvactl/watch_conversation.h"

namespace korva::ctl {

int RunWatchCommand(CommandContext& context) {
    const auto link = OpenLink(context);
    if (!link)
        return kExitNotAllAnswered;
    const WatchSettings settings{context.line.interval, context.line.count};
    std::vector<std::unique_ptr<WatchConversation>> conversations;
    for (const DeviceTarget& target : context.targets)
        conversations.push_back(std::make_unique<WatchConversation>(target, context.output, settings));
    RunConversations(*link, Pointers(conversations));
    return AllSucceeded(Pointers(conversations)) ? kExitAllAnswered : kExitNotAllAnswered;
}

}  // namespace korva::ctl
