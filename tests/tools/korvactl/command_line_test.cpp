// Options, durations and device lists of the network commands.
#include "tools/korvactl/inputs/command_line.h"
#include "tests/support/suite_addresses.h"
#include "tests/tools/korvactl/command_runner.h"
#include "tools/korvactl/inputs/device_target.h"
#include "tools/korvactl/inputs/input_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace korva::ctl {
namespace {

using namespace std::chrono_literals;

const korva::testing::SuiteAddresses addresses{"command_line"};

// The command line as the command named reads it.
ParsedCommandLine ParseCommandLine(std::string_view command, const std::vector<std::string>& arguments) {
    return ctl::ParseCommandLine(command, arguments, language::English());
}

TEST(ParseDuration, UnitsAndBareSeconds) {
    const struct {
        const char* text;
        std::optional<std::chrono::milliseconds> expected;
    } cases[] = {
        {"500ms", 500ms},        {"2s", 2000ms},         {"1.5s", 1500ms},
        {"1", 1000ms},           {"0.2", 200ms},         {"1ms", 1ms},
        {"3600s", 3600000ms},    {"0", std::nullopt},    {"0.0001", std::nullopt},
        {"3601s", std::nullopt}, {"-1s", std::nullopt},  {"", std::nullopt},
        {"ms", std::nullopt},    {"5 ms", std::nullopt}, {"5m", std::nullopt},
        {"nan", std::nullopt},   {"inf", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseDuration(c.text), c.expected) << c.text;
}

TEST(ParseCommandLine, DefaultsAndEveryOptionForm) {
    const auto defaults = ParseCommandLine("status", {addresses[1]});
    ASSERT_TRUE(defaults.line) << defaults.error;
    EXPECT_EQ(defaults.line->retry.timeout, 1000ms);
    EXPECT_EQ(defaults.line->retry.retries, 2);
    EXPECT_EQ(defaults.line->format, OutputFormat::kJson);
    EXPECT_EQ(defaults.line->order, OutputOrder::kInput);
    EXPECT_EQ(defaults.line->progress, std::nullopt);

    const auto parsed = ParseCommandLine(
        "status", {"a", "--timeout", "200ms", "-f", "list.txt", "b", "--retries=0", "--table", "-f=ignored"});
    ASSERT_FALSE(parsed.line);  // "-f=..." is not the --name=value form
    const auto ok =
        ParseCommandLine("status", {"a", "--timeout", "200ms", "-f", "list.txt", "b", "--retries=0", "--table"});
    ASSERT_TRUE(ok.line) << ok.error;
    EXPECT_EQ(ok.line->names, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(ok.line->files, (std::vector<std::string>{"list.txt"}));
    EXPECT_EQ(ok.line->retry.timeout, 200ms);
    EXPECT_EQ(ok.line->retry.retries, 0);
    EXPECT_EQ(ok.line->format, OutputFormat::kTable);

    // The last of --json, --table and --csv counts, as the last of --progress and --no-progress does.
    const auto sweep = ParseCommandLine("scan", {"a", "--table", "--csv", "--order=reply", "--no-progress"});
    ASSERT_TRUE(sweep.line) << sweep.error;
    EXPECT_EQ(sweep.line->format, OutputFormat::kCsv);
    EXPECT_EQ(sweep.line->order, OutputOrder::kReply);
    EXPECT_EQ(sweep.line->progress, false);
    for (const char* dryRun : {"--dry-run", "--diff"}) {
        const auto apply = ParseCommandLine("apply", {"plan.csv", dryRun, "--progress"});
        ASSERT_TRUE(apply.line) << apply.error;
        EXPECT_TRUE(apply.line->dryRun) << dryRun;
        EXPECT_EQ(apply.line->progress, true);
    }

    const auto watch = ParseCommandLine("watch", {"a", "--interval=250ms", "--count", "3"});
    ASSERT_TRUE(watch.line) << watch.error;
    EXPECT_EQ(watch.line->interval, 250ms);
    EXPECT_EQ(watch.line->count, 3);
}

TEST(ParseCommandLine, RefusesWhatACommandDoesNotTake) {
    const struct {
        const char* command;
        std::vector<std::string> arguments;
        const char* error;
    } cases[] = {
        {"status", {"a", "--count", "3"}, "status takes no option --count"},
        {"watch", {"a", "--retries", "1"}, "watch takes no option --retries"},
        {"reset", {"a", "--yes"}, "reset takes no option --yes"},
        {"set", {"a", "-f", "x"}, "set takes no option -f"},
        {"status", {"a", "--timeout"}, "--timeout needs a value"},
        {"status",
         {"a", "--timeout", "soon"},
         "bad value for --timeout: 'soon' (a duration from 1ms to 1h: 500ms, 2s, or seconds such as 0.5)"},
        {"status", {"a", "--retries", "-1"}, "bad value for --retries: '-1' (a whole number from 0 to 100)"},
        {"watch", {"a", "--count", "0"}, "bad value for --count: '0' (a whole number from 1 to 100000000)"},
        // A pace so slow that the schedule of a search would overflow.
        {"scan",
         {"a", "--rate", "1e-9"},
         "bad value for --rate: '1e-9' (requests a second: 0 for no limit, or from 0.1 to 1000000)"},
        {"scan",
         {"a", "--rate", "0.09"},
         "bad value for --rate: '0.09' (requests a second: 0 for no limit, or from 0.1 to 1000000)"},
        {"scan",
         {"a", "--rate", "1000001"},
         "bad value for --rate: '1000001' (requests a second: 0 for no limit, or from 0.1 to 1000000)"},
        {"status", {"a", "--table=yes"}, "--table takes no value"},
        {"status",
         {"a", "--order", "fast"},
         "bad value for --order: 'fast' (input (the order the devices were named) or reply (as the replies come))"},
        {"watch", {"a", "--order", "input"}, "watch takes no option --order"},
        {"set", {"a", "--dry-run"}, "set takes no option --dry-run"},
    };
    for (const auto& c : cases) {
        const auto parsed = ParseCommandLine(c.command, c.arguments);
        EXPECT_FALSE(parsed.line) << c.error;
        EXPECT_EQ(parsed.error, c.error);
    }
}

TEST(AddressFile, OneDeviceALineWithCommentsAndBlankLines) {
    const std::string first = addresses[1];
    const std::string second = addresses[2];
    std::istringstream file("# site A\n" + first + "\n\n  " + second + "   # the gate\r\nno such host\n\t#\n");
    EXPECT_EQ(ReadAddressLines(file), (std::vector<std::string>{first, second, "no such host"}));
    std::istringstream fromWindows("\xEF\xBB\xBF" + first + "\r\n" + second + "\r\n");
    EXPECT_EQ(ReadAddressLines(fromWindows), (std::vector<std::string>{first, second}))
        << "the byte order mark a Windows editor writes is no part of the first name";
}

TEST(AddressFile, ArgumentsFirstThenEachFileAndAnUnreadableFileIsAnError) {
    const std::string path = ::testing::TempDir() + "korvactl_devices.txt";
    std::ofstream(path) << addresses[2] + "\n" + addresses[3] + "\n";
    std::string error;
    const auto names = CollectDeviceNames({addresses[1]}, {path}, language::English(), error);
    ASSERT_TRUE(names) << error;
    EXPECT_EQ(*names, (std::vector<std::string>{addresses[1], addresses[2], addresses[3]}));
    std::remove(path.c_str());

    EXPECT_FALSE(CollectDeviceNames({}, {path}, language::English(), error));
    EXPECT_EQ(error, "cannot read the device list " + path + ": No such file or directory");
}

TEST(AddressFile, ADirectoryIsRefusedNotReadAsAnEmptyList) {
    const std::string directory = ::testing::TempDir();
    std::string error;
    EXPECT_FALSE(CollectDeviceNames({addresses[1]}, {directory}, language::English(), error));
    EXPECT_EQ(error, "cannot read the device list " + directory + ": Is a directory");
}

TEST(ResolveTargets, NamesOfOneDeviceAreAskedOnceAndUnresolvedNamesAreKept) {
    // localhost and 127.1 name the device named first.
    const std::string other = addresses[2];
    std::vector<std::string> warnings;
    const std::vector<DeviceTarget> targets =
        ResolveTargets({"127.0.0.1", "localhost", other, "no such host", "no such host", "127.1", other},
                       language::English(), warnings);
    std::vector<std::string> names;
    for (const DeviceTarget& target : targets)
        names.push_back(target.name + "=" + target.address);
    EXPECT_EQ(names,
              (std::vector<std::string>{"127.0.0.1=127.0.0.1", other + "=" + other, "no such host=", "no such host="}));
    EXPECT_EQ(warnings, (std::vector<std::string>{"localhost is 127.0.0.1 like 127.0.0.1; asked once",
                                                  "127.1 is 127.0.0.1 like 127.0.0.1; asked once",
                                                  other + " is " + other + " like " + other + "; asked once"}));
}

// Four numbers with one over 255 are a bad value (status 2), refused before any name is looked up: a
// resolver would otherwise be asked for a name no host can have.
TEST(NamedDevices, ADottedQuadWithAnOctetOver255IsABadValue) {
    const struct {
        const char* name;
        bool refused;
    } cases[] = {
        {"999.1.1.1", true},  {"127.0.0.256", true},     {"127.0.0.1", false}, {"127.0.1", false},
        {"1.2.3.4.5", false}, {"device.example", false}, {"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsDottedQuadOutOfRange(c.name), c.refused) << c.name;

    testing::ScriptedNetwork network;
    const auto run = testing::RunCommand(network, "status", {addresses[1], "999.1.1.1"});
    EXPECT_EQ(run.exitStatus, 2);
    EXPECT_EQ(run.err, "korvactl status: '999.1.1.1' is not an address: an octet is over 255\n");
    EXPECT_EQ(network.LinksOpened(), 0);
}

}  // namespace
}  // namespace korva::ctl
