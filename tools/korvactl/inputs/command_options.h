#pragma once
// korvactl's options, one row each: the commands that take it, how its value is read, its help in every
// language, and what the bash completion and the man page say of it. The command line, each command's
// --help, the completion (packaging/korvactl.bash-completion) and the man page's SYNOPSIS and OPTIONS
// (docs/man/korvactl.1.scd) are all made from these rows; the last two by korvactl_reference, which the
// build runs on request and a test holds the tree's files against.
#include "language/message.h"

#include <span>
#include <string>
#include <string_view>

namespace korva::ctl {

struct CommandLine;

// What korvactl itself does for an option instead of a command reading it.
enum class ProgramAction { kNone, kHelp, kVersion };

struct CommandOption {
    std::string_view name = {};
    // The commands that take it, blank-separated. Those korvactl answers itself (action) are no command's:
    // "*" after any command's name as well as before one, empty before one only (--version).
    std::string_view commands = {};
    language::Key value = {};  // the name of its value in the help ("FILE"); none for a flag
    // Its explanation in the help, in lines as wide as the usage text's. Rows next to each other with one
    // help are one entry ("--json, --table, --csv").
    language::Key help = {};
    bool usage = false;  // listed in `korvactl --help` among the options of the network commands
    void (*setFlag)(CommandLine& line) = nullptr;
    // Returns false for a value it does not take; expected then says what it takes (none: any text is taken).
    bool (*setValue)(CommandLine& line, const std::string& value) = nullptr;
    language::Key expected = {};
    ProgramAction action = ProgramAction::kNone;
    bool required = false;  // the command refuses to run without it
    bool repeated = false;  // the synopsis says it may be given more than once, each adding to the others
    // The files its value names, as a bash pattern ("@(txt|csv)"); empty: not a file. A value whose
    // name lists words ("input|reply") is one of those words; any other is the user's own text.
    std::string_view files = {};
    // What the man page says of it, in English and scdoc's marks, one paragraph a blank line; empty: told
    // with the row before, whose entry lists this row's name too.
    std::string_view manual = {};
};

// In the order each command's help and the man page list them.
std::span<const CommandOption> CommandOptions();

// Whether command takes the option of row; korvactl's own (-h) are no command's.
bool Takes(std::string_view command, const CommandOption& row);
// The row of name among those command takes; nullptr for none.
const CommandOption* OptionOf(std::string_view command, std::string_view name);
// What korvactl does for an argument by itself, after a command's name or before any.
ProgramAction ProgramActionOf(const std::string& argument, bool afterCommand);

}  // namespace korva::ctl
