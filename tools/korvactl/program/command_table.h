#pragma once
// korvactl's commands in one table. The usage text, each command's --help and the dispatch all read it:
// a new command is a new row and its runner, and its options say so in their rows (inputs/command_options.h).
// The words are keys of the catalogues (language/catalogues/), each help in every language.
#include "tools/korvactl/commands/command.h"

#include <string_view>
#include <vector>

namespace korva::ctl {

// In the order the usage text lists them.
const std::vector<Command>& Commands();
// nullptr for a name no command has.
const Command* FindCommand(std::string_view name);

}  // namespace korva::ctl
