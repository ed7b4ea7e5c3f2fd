#pragma once
#include "tools/korvactl/commands/command_io.h"

#include <string>
#include <string_view>
#include <vector>

namespace korva::ctl {

// Runs the command named with the arguments after its name; --help or -h among them prints the command's
// help instead. A name no command has is told with the usage text on standard error.
int RunCommand(std::string_view name, const std::vector<std::string>& arguments, CommandIo& io);

}  // namespace korva::ctl
