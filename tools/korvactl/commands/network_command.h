#pragma once
#include "tools/korvactl/commands/command.h"
#include "tools/korvactl/commands/command_io.h"

#include <string>
#include <vector>

namespace korva::ctl {

// command: a row whose runner is a NetworkRunner. arguments: those after the command's name.
int RunNetworkCommand(const Command& command, const std::vector<std::string>& arguments, CommandIo& io);

}  // namespace korva::ctl
