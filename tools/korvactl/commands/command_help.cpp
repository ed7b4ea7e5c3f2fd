#include "tools/korvactl/commands/command_help.h"

#include "tools/korvactl/commands/command_table.h"

#include <algorithm>
#include <ostream>
#include <string>

namespace korva::ctl {

namespace {

// Where every explanation starts; a label too long to leave a blank before it gets a line of its own.
constexpr std::size_t kHelpColumn = 22;

void PrintIndented(std::ostream& out, std::string_view lines, std::size_t indent) {
    for (std::size_t start = 0;;) {
        const std::size_t end = lines.find('\n', start);
        out << lines.substr(start, end - start) << '\n';
        if (end == std::string_view::npos)
            return;
        out << std::string(indent, ' ');
        start = end + 1;
    }
}

void PrintEntry(std::ostream& out, std::string_view label, std::string_view help) {
    out << "  " << label;
    if (2 + label.size() < kHelpColumn)
        out << std::string(kHelpColumn - 2 - label.size(), ' ');
    else
        out << '\n' << std::string(kHelpColumn, ' ');
    PrintIndented(out, help, kHelpColumn);
}

// "-f FILE", "--json, --table, --csv"
std::string Label(const OptionHelp& option) {
    std::string label;
    for (std::string_view name : option.names) {
        if (!label.empty())
            label += ", ";
        label += name;
        if (!option.value.empty())
            (label += ' ') += option.value;
    }
    return label;
}

bool Takes(const Command& command, const OptionHelp& option) {
    return std::any_of(option.names.begin(), option.names.end(), [&command](std::string_view name) {
        return std::find(command.options.begin(), command.options.end(), name) != command.options.end();
    });
}

// "(not for set, scan, apply)": the network commands that do not take a shared option, for the usage
// text; nothing when all do, or none (-h is every command's).
std::string NotFor(const OptionHelp& option) {
    std::string commands;
    bool anyTakes = false;
    for (const Command& command : Commands()) {
        if (!std::holds_alternative<NetworkRunner>(command.run))
            continue;
        if (Takes(command, option))
            anyTakes = true;
        else
            commands += (commands.empty() ? "" : ", ") + std::string(command.name);
    }
    return anyTakes && !commands.empty() ? "\n(not for " + commands + ")" : "";
}

}  // namespace

void PrintUsage(std::ostream& out) {
    out << "usage: korvactl COMMAND [OPTIONS] [ADDRESS...]\n";
    for (const Command& command : Commands())
        PrintEntry(out, command.usage, command.help);
    out << "options of the network commands:\n";
    for (const OptionHelp& option : OptionHelps()) {
        if (option.shared)
            PrintEntry(out, Label(option), std::string(option.help) + NotFor(option));
    }
    out << "exit status: 0 every device answered (reset: acknowledged; scan: the search ran to its end,\n"
           "             even when no device answered; apply: every device unchanged or applied), 1 not\n"
           "             all did, interrupted, or the output could not be written, 2 bad command line,\n"
           "             a file that cannot be read, or a plan refused by its checks\n";
}

void PrintCommandHelp(const Command& command, std::ostream& out) {
    out << "usage: korvactl " << command.usage << "\n  ";
    PrintIndented(out, command.help, 2);
    out << "options:\n";
    for (const OptionHelp& option : OptionHelps()) {
        if (Takes(command, option) && (option.command.empty() || option.command == command.name))
            PrintEntry(out, Label(option), option.help);
    }
}

}  // namespace korva::ctl
