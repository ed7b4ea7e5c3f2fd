#include "tools/korvactl/commands/run_command.h"
#include "tools/common/terminal_text.h"

#include "tools/korvactl/commands/command_help.h"
#include "tools/korvactl/commands/command_table.h"
#include "tools/korvactl/commands/network_command.h"
#include "tools/korvactl/output/record_writers.h"

#include <algorithm>
#include <ostream>

namespace korva::ctl {

namespace {

int PrintHelp(const Command& command, CommandIo& io) {
    try {
        PrintCommandHelp(command, io.out);
        FlushOrThrow(io.out);
    } catch (const OutputError& error) {
        io.err << "korvactl " << command.name << ": cannot write the output: " << error.what() << "\n";
        return kExitNotAllAnswered;
    }
    return kExitAllAnswered;
}

}  // namespace

int RunCommand(std::string_view name, const std::vector<std::string>& arguments, CommandIo& io) {
    const Command* command = FindCommand(name);
    if (!command) {
        io.err << "korvactl: unknown command '" << tools::TerminalText(name) << "'\n";
        PrintUsage(io.err);
        return kExitUsage;
    }
    if (std::any_of(arguments.begin(), arguments.end(),
                    [](const std::string& argument) { return argument == "--help" || argument == "-h"; }))
        return PrintHelp(*command, io);
    if (std::holds_alternative<NetworkRunner>(command->run))
        return RunNetworkCommand(*command, arguments, io);
    return std::get<ArgumentsRunner>(command->run)(*command, arguments, io);
}

}  // namespace korva::ctl
