#include "tools/korvactl/program/run_command.h"
#include "tools/common/terminal_text.h"

#include "tools/korvactl/commands/network_command.h"
#include "tools/korvactl/inputs/command_options.h"
#include "tools/korvactl/output/record_writers.h"
#include "tools/korvactl/program/command_help.h"
#include "tools/korvactl/program/command_table.h"

#include <algorithm>
#include <ostream>
#include <vector>

namespace korva::ctl {

namespace {

int PrintHelp(const Command& command, CommandIo& io) {
    try {
        PrintCommandHelp(command, io.out, io.texts);
        FlushOrThrow(io.out);
    } catch (const OutputError& error) {
        io.err << "korvactl " << command.name << ": "
               << io.texts.Text({"ctl.output_unwritable", {{"reason", error.what()}}}) << "\n";
        return kExitNotAllAnswered;
    }
    return kExitAllAnswered;
}

// Edits between two names: a letter added, left out, changed, or two neighbours swapped ("stauts").
std::size_t EditDistance(std::string_view a, std::string_view b) {
    std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i)
        d[i][0] = i;
    for (std::size_t j = 0; j <= b.size(); ++j)
        d[0][j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        for (std::size_t j = 1; j <= b.size(); ++j) {
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    }
    return d[a.size()][b.size()];
}

// The command a mistyped name was most likely meant to be: within two edits, and fewer than its length.
const Command* Closest(std::string_view name) {
    const Command* closest = nullptr;
    std::size_t best = 3;
    for (const Command& command : Commands()) {
        const std::size_t distance = EditDistance(name, command.name);
        if (distance < best && distance < name.size()) {
            best = distance;
            closest = &command;
        }
    }
    return closest;
}

}  // namespace

int RunCommand(std::string_view name, const std::vector<std::string>& arguments, CommandIo& io) {
    const Command* command = FindCommand(name);
    if (!command) {
        const Command* closest = Closest(name);
        const language::Message unknown =
            closest ? language::Message("ctl.unknown_command_meant",
                                        {{"command", tools::TerminalText(name)}, {"meant", closest->name}})
                    : language::Message("ctl.unknown_command", {{"command", tools::TerminalText(name)}});
        io.err << "korvactl: " << io.texts.Text(unknown) << '\n'
               << io.texts.Text({"ctl.usage_hint", {{"usage", language::Key("ctl.help.usage")}}}) << '\n';
        return kExitUsage;
    }
    if (std::any_of(arguments.begin(), arguments.end(), [](const std::string& argument) {
            return ProgramActionOf(argument, true) == ProgramAction::kHelp;
        }))
        return PrintHelp(*command, io);
    if (std::holds_alternative<NetworkRunner>(command->run))
        return RunNetworkCommand(*command, arguments, io);
    return std::get<ArgumentsRunner>(command->run)(*command, arguments, io);
}

}  // namespace korva::ctl
