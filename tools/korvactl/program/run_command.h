#pragma once
#include "tools/korvactl/commands/command_io.h"

#include <string>
#include <string_view>
#include <vector>

namespace korva::ctl {

// Runs the command named with the arguments after its name; --help or -h among them prints the command's
// help instead. A name no command has is told on standard error, with the command it was likely meant
// to be, and how to list them.
int RunCommand(std::string_view name, const std::vector<std::string>& arguments, CommandIo& io);

}  // namespace korva::ctl
