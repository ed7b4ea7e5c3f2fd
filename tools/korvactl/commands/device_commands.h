#pragma once
// The commands that talk to the devices named on the command line.
#include "tools/korvactl/commands/command_context.h"

namespace korva::ctl {

int RunStatusCommand(CommandContext& context);  // status and params
int RunWatchCommand(CommandContext& context);
int RunResetCommand(CommandContext& context);
int RunSetCommand(CommandContext& context);

}  // namespace korva::ctl
