#pragma once
#include "tools/korvactl/commands/command_io.h"

#include <string>
#include <string_view>
#include <vector>

namespace korva::ctl {

bool IsNetworkCommand(std::string_view command);
// arguments: those after the command's name.
int RunNetworkCommand(std::string_view command, const std::vector<std::string>& arguments, CommandIo& io);

}  // namespace korva::ctl
