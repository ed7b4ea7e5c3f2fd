#pragma once
// What korvactl_reference writes: the bash completion and the man page's SYNOPSIS and OPTIONS, from the
// command table and the option rows.
#include <string>
#include <string_view>

namespace korva::ctl {

// A value's name as the man page writes it: the names in capitals underlined ("_ADDRESS_:_PORT_"), words
// to choose from as they are ("input|reply").
std::string ManText(std::string_view value);

// One line for each command, commands that take the same on one line ("*status*|*params*"), its required
// options first, then korvactl's own options; each line followed by a blank one.
std::string Synopsis();
// An entry for each row with words of its own, naming the rows after it that have none, and what every
// option that takes a value accepts.
std::string Options();
// The page with the body of its section "# NAME" replaced by body; false when it has no such section.
bool ReplaceSection(std::string& page, const std::string& name, const std::string& body);

// The whole bash completion script.
std::string Completion();

}  // namespace korva::ctl
