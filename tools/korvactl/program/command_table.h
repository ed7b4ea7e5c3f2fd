#pragma once
// korvactl's commands in one table, and the help of their options. The usage text, each command's
// --help, the options each command accepts and the dispatch all read it: a new command is a new row and
// its runner. The words are keys of the catalogues (language/catalogues/), each help in every language.
#include "tools/korvactl/commands/command.h"

#include <string_view>
#include <vector>

namespace korva::ctl {

// In the order the usage text lists them.
const std::vector<Command>& Commands();
// nullptr for a name no command has.
const Command* FindCommand(std::string_view name);

// The help of one option, or of a few that go together ("--json, --table, --csv"), by its keys in the
// catalogues.
struct OptionHelp {
    std::vector<std::string_view> names;
    language::Key value;  // what follows each name on the command line ("FILE"); none for a flag
    language::Key help;   // in lines as wide as the usage text's
    bool shared;          // listed in the usage text among the options of the network commands
    // The one command whose help lists this entry, for an option that means something else elsewhere;
    // empty: every command that takes the option.
    std::string_view command = {};
};

// In the order the help lists them.
const std::vector<OptionHelp>& OptionHelps();

}  // namespace korva::ctl
