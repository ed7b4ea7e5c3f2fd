#pragma once
// The help korvactl prints, made from its command table.
#include "tools/korvactl/commands/command.h"

#include <iosfwd>

namespace korva::ctl {

// `korvactl --help`: every command and the options the network commands share.
void PrintUsage(std::ostream& out);
// `korvactl COMMAND --help`: that command's usage, what it does, and each option it takes.
void PrintCommandHelp(const Command& command, std::ostream& out);

}  // namespace korva::ctl
