#pragma once
// The help korvactl prints, made from its command table, in the language of texts.
#include "language/catalogue.h"
#include "tools/korvactl/commands/command.h"

#include <iosfwd>

namespace korva::ctl {

// `korvactl --help`: every command and the options the network commands share.
void PrintUsage(std::ostream& out, const language::Catalogue& texts);
// `korvactl COMMAND --help`: that command's usage, what it does, and each option it takes.
void PrintCommandHelp(const Command& command, std::ostream& out, const language::Catalogue& texts);

}  // namespace korva::ctl
