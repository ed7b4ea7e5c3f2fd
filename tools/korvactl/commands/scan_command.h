#pragma once
#include "tools/korvactl/commands/command_context.h"

namespace korva::ctl {

// `korvactl scan`: context.line.names are the ranges.
int RunScanCommand(CommandContext& context);

}  // namespace korva::ctl
