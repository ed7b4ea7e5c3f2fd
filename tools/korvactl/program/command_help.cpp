#include "tools/korvactl/program/command_help.h"

#include "tools/korvactl/inputs/command_options.h"
#include "tools/korvactl/program/command_table.h"

#include <algorithm>
#include <ostream>
#include <span>
#include <string>
#include <vector>

namespace korva::ctl {

namespace {

using language::Catalogue;

// Where every explanation starts; a label too long to leave a blank before it gets a line of its own.
constexpr std::size_t kHelpColumn = 22;

// The columns a terminal gives UTF-8 text: one a character ("ENDEREÇO" takes 8, in 9 bytes).
std::size_t Columns(std::string_view text) {
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

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
    if (2 + Columns(label) < kHelpColumn)
        out << std::string(kHelpColumn - 2 - Columns(label), ' ');
    else
        out << '\n' << std::string(kHelpColumn, ' ');
    PrintIndented(out, help, kHelpColumn);
}

// "status ADDRESS..."
std::string Usage(const Command& command, const Catalogue& texts) {
    return std::string(command.name) + ' ' + texts.Text(command.arguments);
}

// The rows of one entry of a help: next to each other in the table, with one explanation.
using Entry = std::span<const CommandOption>;

// The entries of the rows kept, in the table's order.
template <typename Keep>
std::vector<Entry> Entries(Keep keep) {
    const auto options = CommandOptions();
    std::vector<Entry> entries;
    for (std::size_t first = 0; first < options.size();) {
        if (options[first].help.Name().empty() || !keep(options[first])) {
            ++first;
            continue;
        }
        std::size_t end = first + 1;
        while (end < options.size() && options[end].help == options[first].help && keep(options[end]))
            ++end;
        entries.push_back(options.subspan(first, end - first));
        first = end;
    }
    return entries;
}

// "-f FILE", "--json, --table, --csv"
std::string Label(Entry entry, const Catalogue& texts) {
    std::string label;
    for (const CommandOption& option : entry) {
        if (!label.empty())
            label += ", ";
        label += option.name;
        if (!option.value.Name().empty())
            (label += ' ') += texts.Text(option.value);
    }
    return label;
}

// "(not for set, scan, apply)": the network commands that do not take an option of the usage text;
// nothing when all do, or none (-h is every command's).
std::string NotFor(Entry entry, const Catalogue& texts) {
    std::string commands;
    bool anyTakes = false;
    for (const Command& command : Commands()) {
        if (!std::holds_alternative<NetworkRunner>(command.run))
            continue;
        if (Takes(command.name, entry.front()))
            anyTakes = true;
        else
            commands += (commands.empty() ? "" : ", ") + std::string(command.name);
    }
    return anyTakes && !commands.empty() ? "\n" + texts.Text({"ctl.help.not_for", {{"commands", commands}}}) : "";
}

}  // namespace

void PrintUsage(std::ostream& out, const Catalogue& texts) {
    out << texts.Text("ctl.help.usage") << '\n';
    for (const Command& command : Commands())
        PrintEntry(out, Usage(command, texts), texts.Text(command.help));
    out << texts.Text("ctl.help.network_options") << '\n';
    for (const Entry entry : Entries([](const CommandOption& option) { return option.usage; }))
        PrintEntry(out, Label(entry, texts), texts.Text(entry.front().help) + NotFor(entry, texts));
    const std::string label = texts.Text("ctl.help.exit_status_label") + ' ';
    out << label;
    PrintIndented(out, texts.Text("ctl.help.exit_status"), Columns(label));
}

void PrintCommandHelp(const Command& command, std::ostream& out, const Catalogue& texts) {
    out << texts.Text({"ctl.help.command_usage",
                       {{"command", std::string(command.name)}, {"arguments", texts.Text(command.arguments)}}})
        << "\n  ";
    PrintIndented(out, texts.Text(command.help), 2);
    out << texts.Text("ctl.help.options") << '\n';
    for (const Entry entry :
         Entries([&command](const CommandOption& option) { return Takes(command.name, option); }))
        PrintEntry(out, Label(entry, texts), texts.Text(entry.front().help));
}

}  // namespace korva::ctl
