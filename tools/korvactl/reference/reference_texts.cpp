#include "tools/korvactl/reference/reference_texts.h"

#include "tools/korvactl/inputs/command_options.h"
#include "tools/korvactl/program/command_table.h"

#include <algorithm>
#include <map>
#include <regex>
#include <sstream>
#include <vector>

namespace korva::ctl {

std::string ManText(std::string_view value) {
    return std::regex_replace(std::string(value), std::regex("[A-Z]+"), "_$&_");
}

namespace {

using Entry = std::vector<const CommandOption*>;

std::string English(language::Key key) {
    return key.Name().empty() ? std::string() : language::English().Text(key);
}

bool IsOwnAction(const CommandOption& option) {
    return option.action != ProgramAction::kNone;
}

// The options of command, rows next to each other with one help as one entry ("--json|--table|--csv").
std::vector<Entry> EntriesOf(std::string_view command) {
    std::vector<Entry> entries;
    for (const CommandOption& option : CommandOptions()) {
        if (!Takes(command, option))
            continue;
        if (!entries.empty() && entries.back().back()->help == option.help && &option == entries.back().back() + 1)
            entries.back().push_back(&option);
        else
            entries.push_back({&option});
    }
    return entries;
}

std::string ManValue(const CommandOption& option) {
    const std::string value = English(option.value);
    return value.empty() ? "" : " " + ManText(value);
}

// The synopsis of one command after its name.
std::string SynopsisOf(const std::vector<Entry>& entries, Operands operands) {
    std::string required, optional;
    for (const Entry& entry : entries) {
        std::string names;
        for (const CommandOption* option : entry)
            names += (names.empty() ? "*" : "|*") + std::string(option->name) + "*" + ManValue(*option);
        if (entry.front()->required)
            required += " " + names;
        else
            optional += " [" + names + "]" + (entry.front()->repeated ? "..." : "");
    }
    static const std::map<Operands, std::string> kOperands = {
        {Operands::kDevices, "[_ADDRESS_...]"}, {Operands::kDevice, "_ADDRESS_"},     {Operands::kRanges, "_RANGE_..."},
        {Operands::kPlan, "_PLAN.csv_"},        {Operands::kCaptures, "[_FILE_...]"},
    };
    return required + optional + " " + kOperands.at(operands);
}

std::string Words(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& word : words)
        text += (text.empty() ? "" : " ") + word;
    return text;
}

// The names of the options command takes, in the rows' order.
std::vector<std::string> OptionNames(std::string_view command) {
    std::vector<std::string> names;
    for (const Entry& entry : EntriesOf(command)) {
        for (const CommandOption* option : entry)
            names.emplace_back(option->name);
    }
    return names;
}

}  // namespace

std::string Synopsis() {
    std::vector<std::pair<std::string, std::string>> lines;  // the commands, what follows them
    for (const Command& command : Commands()) {
        const std::string rest = SynopsisOf(EntriesOf(command.name), command.operands);
        const auto same =
            std::find_if(lines.begin(), lines.end(), [&rest](const auto& line) { return line.second == rest; });
        if (same != lines.end())
            same->first += "|*" + std::string(command.name) + "*";
        else
            lines.emplace_back("*" + std::string(command.name) + "*", rest);
    }
    std::string text;
    for (const auto& [commands, rest] : lines)
        text += "*korvactl* " + commands + rest + "\n\n";
    for (const ProgramAction action : {ProgramAction::kHelp, ProgramAction::kVersion}) {
        std::string names;
        bool afterCommand = false;
        for (const CommandOption& option : CommandOptions()) {
            if (option.action == action) {
                names += (names.empty() ? "*" : "|*") + std::string(option.name) + "*";
                afterCommand = option.commands == "*";
            }
        }
        text += "*korvactl* " + names + "\n\n";
        if (afterCommand)
            text += "*korvactl* _COMMAND_ " + names + "\n\n";
    }
    return text;
}

std::string Options() {
    std::string text;
    std::vector<std::string> names;
    std::string_view manual;
    const auto flush = [&] {
        if (names.empty())
            return;
        for (std::size_t i = 0; i < names.size(); ++i)
            text += (i == 0 ? "" : ", ") + names[i];
        text += '\n';
        std::istringstream lines{std::string(manual)};
        for (std::string line; std::getline(lines, line);)
            text += (line.empty() ? "" : "\t") + line + "\n";
        text += '\n';
        names.clear();
    };
    for (const CommandOption& option : CommandOptions()) {
        if (!option.manual.empty()) {
            flush();
            manual = option.manual;
        }
        const std::string name = "*" + std::string(option.name) + "*" + ManValue(option);
        if (std::find(names.begin(), names.end(), name) == names.end())
            names.push_back(name);
    }
    flush();
    return text + "Options that take a value also accept the form *--option=*_value_.\n\n";
}

bool ReplaceSection(std::string& page, const std::string& name, const std::string& body) {
    const std::string heading = "\n# " + name + "\n\n";
    const std::size_t start = page.find(heading);
    if (start == std::string::npos)
        return false;
    const std::size_t bodyStart = start + heading.size();
    const std::size_t next = page.find("\n# ", bodyStart);
    page.replace(bodyStart, next == std::string::npos ? std::string::npos : next + 1 - bodyStart, body);
    return true;
}

std::string Completion() {
    std::vector<std::string> first;
    for (const Command& command : Commands())
        first.emplace_back(command.name);
    for (const CommandOption& option : CommandOptions()) {
        if (IsOwnAction(option))
            first.emplace_back(option.name);
    }

    // What follows an option that takes a value: files, a word of its value's name, or the user's own text.
    std::string files, ownText, words;
    std::vector<std::string> seen;
    for (const CommandOption& option : CommandOptions()) {
        const std::string value = English(option.value);
        const std::string name(option.name);
        if (value.empty() || std::find(seen.begin(), seen.end(), name) != seen.end())
            continue;
        seen.push_back(name);
        if (!option.files.empty()) {
            files += "        " + name + ")\n            _filedir '" + std::string(option.files) +
                     "'\n            return\n            ;;\n";
        } else if (value.find('|') != std::string::npos) {
            std::string choices = value;
            std::replace(choices.begin(), choices.end(), '|', ' ');
            words += "        " + name + ")\n            COMPREPLY=($(compgen -W '" + choices +
                     "' -- \"$cur\"))\n            return\n            ;;\n";
        } else {
            ownText += (ownText.empty() ? "" : " | ") + name;
        }
    }

    // Each command's options; those whose arguments are files offer files where no option is begun.
    std::vector<std::pair<std::string, std::string>> commands;  // the case's patterns, its body
    for (const Command& command : Commands()) {
        const std::string options = Words(OptionNames(command.name));
        std::string body;
        if (command.operands == Operands::kPlan || command.operands == Operands::kCaptures) {
            body = "\n            if [[ $cur == -* ]]; then\n                COMPREPLY=($(compgen -W '" + options +
                   "' -- \"$cur\"))\n            else\n                " +
                   (command.operands == Operands::kPlan ? "_filedir '@(csv|txt)'  # the plan" : "_filedir") +
                   "\n            fi\n            return\n            ;;\n";
        } else {
            body = " options='" + options + "' ;;\n";
        }
        const auto same =
            std::find_if(commands.begin(), commands.end(), [&body](const auto& known) { return known.second == body; });
        if (same != commands.end())
            same->first += " | " + std::string(command.name);
        else
            commands.emplace_back(std::string(command.name), body);
    }
    std::string cases;
    for (const auto& [patterns, body] : commands)
        cases += "        " + patterns + ")" + body;

    return "# bash completion for korvactl                                        -*- shell-script -*-\n"
           "# Written by korvactl_reference from korvactl's option rows: change those, not this file.\n"
           "\n"
           "_korvactl() {\n"
           "    local cur prev words cword split\n"
           "    _init_completion -s || return\n"
           "\n"
           "    if ((cword == 1)); then\n"
           "        COMPREPLY=($(compgen -W '" +
           Words(first) +
           "' -- \"$cur\"))\n"
           "        return\n"
           "    fi\n"
           "\n"
           "    case $prev in\n" +
           files + "        " + ownText +
           ")\n"
           "            return  # a value of the user's own\n"
           "            ;;\n" +
           words +
           "    esac\n"
           "    $split && return\n"
           "\n"
           "    local options\n"
           "    case ${words[1]} in\n" +
           cases +
           "        *) return ;;\n"
           "    esac\n"
           "    # Device addresses are the user's own too: only the options are offered.\n"
           "    COMPREPLY=($(compgen -W \"$options\" -- \"$cur\"))\n"
           "} &&\n"
           "    complete -F _korvactl korvactl\n";
}

}  // namespace korva::ctl
