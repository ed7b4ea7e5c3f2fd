// The command table as korvactl answers from it: each command's --help with the options it takes and no
// other, the options it refuses, and the command a mistyped name was meant to be.
#include "tools/korvactl/program/command_table.h"
#include "tests/support/suite_addresses.h"
#include "tests/tools/korvactl/command_runner.h"
#include "tools/korvactl/inputs/command_options.h"
#include "tools/korvactl/program/command_help.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>

namespace korva::ctl {
namespace {

using testing::RunCommand;
using testing::ScriptedNetwork;

const korva::testing::SuiteAddresses addresses{"command_table"};

bool Contains(const std::string& text, std::string_view part) {
    return text.find(part) != std::string::npos;
}

// "status ADDRESS..."
std::string Usage(const Command& command) {
    return std::string(command.name) + " " + language::English().Text(command.arguments);
}

// The option named at the start of an entry of the options a help text lists ("  --json, --table, --csv").
bool ListsOption(const std::string& help, std::string_view option) {
    const std::string options = help.substr(std::min(help.find("\noptions:\n"), help.size()));
    for (const char* before : {"\n  ", ", "}) {
        for (std::size_t at = options.find(before + std::string(option)); at != std::string::npos;
             at = options.find(before + std::string(option), at + 1)) {
            const char after = options[at + std::string_view(before).size() + option.size()];
            if (after == ' ' || after == ',' || after == '\n')
                return true;
        }
    }
    return false;
}

TEST(CommandTable, EachCommandsHelpShowsItsUsageAndOptionsAndSendsNothing) {
    for (const Command& command : Commands()) {
        for (const std::vector<std::string>& arguments :
             {std::vector<std::string>{"--help"}, {addresses[1], "-h"}, {"--timeout", "1s", "--help"}}) {
            ScriptedNetwork network;
            const auto run = RunCommand(network, std::string(command.name), arguments);
            EXPECT_EQ(run.exitStatus, 0) << command.name << ": " << run.err;
            EXPECT_EQ(run.err, "");
            EXPECT_TRUE(run.out.starts_with("usage: korvactl " + Usage(command) + "\n")) << run.out;
            for (const CommandOption& option : CommandOptions()) {
                if (!option.help.Name().empty()) {
                    EXPECT_EQ(ListsOption(run.out, option.name), OptionOf(command.name, option.name) != nullptr)
                        << command.name << " --help and " << option.name;
                }
            }
            // Only this command's options and notes: nothing said of the others.
            for (const Command& other : Commands()) {
                if (other.name != command.name) {
                    EXPECT_FALSE(Contains(run.out, " " + std::string(other.name) + ":")) << command.name;
                }
            }
            EXPECT_FALSE(Contains(run.out, "not for")) << run.out;
            EXPECT_EQ(network.LinksOpened(), 0) << command.name;
        }
    }
}

// One flag with a meaning for each command that takes it: each command's help gives its own.
TEST(CommandTable, AnOptionOfSeveralMeaningsIsExplainedInEachCommandsHelpAsItMeansThere) {
    const struct {
        const char* command;
        const char* line;
    } cases[] = {
        {"set", "\n  --force             writes values its checks refuse\n"},
        {"scan", "\n  --force             searches more than 65536 addresses\n"},
        {"apply", "\n  --force             applies a plan of more than 65536 devices\n"},
    };
    for (const auto& c : cases) {
        ScriptedNetwork network;
        const auto run = RunCommand(network, c.command, {"--help"});
        EXPECT_TRUE(Contains(run.out, c.line)) << c.command << ":\n" << run.out;
        const std::string options = run.out.substr(std::min(run.out.find("\noptions:\n"), run.out.size()));
        EXPECT_EQ(options.find("\n  --force "), options.rfind("\n  --force ")) << "one entry in " << c.command;
    }
}

// korvactl answers -h and --help after any command's name, and --version only before one.
TEST(CommandTable, KorvactlsOwnOptionsAreAnsweredWhereTheyBelong) {
    const struct {
        const char* argument;
        bool afterCommand;
        ProgramAction action;
    } cases[] = {
        {"--version", false, ProgramAction::kVersion}, {"--version", true, ProgramAction::kNone},
        {"-h", false, ProgramAction::kHelp},           {"--help", true, ProgramAction::kHelp},
        {"--json", false, ProgramAction::kNone},       {"--json", true, ProgramAction::kNone},
        {"--he", true, ProgramAction::kNone},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ProgramActionOf(c.argument, c.afterCommand), c.action) << c.argument << ' ' << c.afterCommand;

    ScriptedNetwork network;
    const auto run = RunCommand(network, "status", {"--version"});
    EXPECT_EQ(run.exitStatus, 2);
    EXPECT_EQ(run.err, "korvactl status: status takes no option --version\n");
}

TEST(CommandTable, AnOptionACommandDoesNotTakeIsRefusedInItsWords) {
    const struct {
        const char* command;
        const char* option;
        const char* error;
    } cases[] = {
        {"status", "--listen", "korvactl status: status takes no option --listen\n"},
        {"scan", "--x", "korvactl scan: scan takes no option --x\n"},
        {"watch", "--retries", "korvactl watch: watch takes no option --retries\n"},
        {"set", "-f", "korvactl set: set takes no option -f\n"},
        {"apply", "--order", "korvactl apply: apply takes no option --order\n"},
        {"decode", "--json", "korvactl decode: unknown option --json\n"},
    };
    for (const auto& c : cases) {
        ScriptedNetwork network;
        const auto run = RunCommand(network, c.command, {c.option, "1"});
        EXPECT_EQ(run.exitStatus, 2) << c.command;
        EXPECT_EQ(run.err, c.error);
        EXPECT_EQ(network.LinksOpened(), 0) << c.command;
    }
}

TEST(CommandTable, TheUsageListsEveryCommand) {
    std::ostringstream usage;
    PrintUsage(usage, language::English());
    for (const Command& command : Commands())
        EXPECT_TRUE(Contains(usage.str(), "\n  " + Usage(command))) << command.name;
    // Which commands a shared option is not for, from the table.
    EXPECT_TRUE(Contains(usage.str(), "# starts a comment\n                      (not for set, scan, apply)\n"))
        << usage.str();
}

TEST(CommandTable, AMistypedCommandGetsTheOneItWasLikelyMeantToBe) {
    const std::string usage = "usage: korvactl COMMAND [OPTIONS] [ADDRESS...]; korvactl --help lists the commands\n";
    const struct {
        const char* typed;
        const char* meant;  // empty: none is near enough
    } cases[] = {
        {"stauts", "status"}, {"parms", "params"}, {"wacth", "watch"}, {"rest", "reset"}, {"aply", "apply"},
        {"scna", "scan"},     {"bogus", ""},       {"s", ""},          {"sett", "set"},   {"exporterr", "exporter"},
    };
    for (const auto& c : cases) {
        ScriptedNetwork network;
        const auto run = RunCommand(network, c.typed, {addresses[1]});
        EXPECT_EQ(run.exitStatus, 2);
        EXPECT_EQ(run.out, "");
        const std::string suggestion = *c.meant == '\0' ? "" : std::string("; did you mean ") + c.meant + "?";
        EXPECT_EQ(run.err, "korvactl: unknown command '" + std::string(c.typed) + "'" + suggestion + "\n" + usage);
        EXPECT_EQ(network.LinksOpened(), 0);
    }
}

}  // namespace
}  // namespace korva::ctl
