// A device or a plan whose text carries terminal controls: every output korvactl prints for people or
// spreadsheets shows them as escapes, and JSON keeps them as JSON escapes them.
#include "tests/tools/korvactl/command_runner.h"

#include "tests/support/suite_addresses.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

namespace korva::ctl::testing {
namespace {

using namespace std::chrono_literals;

const korva::testing::SuiteAddresses addresses{"terminal_text_outputs"};
const std::string kDevice = addresses[1];
const std::string kGateway = addresses[254];

// Erases the line and moves up; sets the terminal's title. Inside their fields, which the device's
// replies have trimmed.
const std::string kErase = "255\x1b[2K\x1b[1A";
const std::string kTitle = "1.5\x1b]0;OWNED\x07";

DeviceScript HostileDevice() {
    return [](const std::string& request) -> std::optional<Answer> {
        if (!Is(request, "rPr"))
            return std::nullopt;
        return Answer{"0100,RPR,0," + kDevice + "," + kErase + "," + kGateway +
                          ",0:26:171:1:2:255,8,9,10,11,12,13,14," + kTitle + ",16,17,14,05,03,07,22,16",
                      2ms};
    };
}

bool HasControls(const std::string& text) {
    return text.find('\x1b') != std::string::npos || text.find('\x07') != std::string::npos;
}

TEST(TerminalTextOutputs, ADevicesControlCharactersAreEscapedInEveryFormButJson) {
    for (const char* format : {"--table", "--csv", "--json"}) {
        SCOPED_TRACE(format);
        ScriptedNetwork network;
        network.AddDevice(kDevice, HostileDevice());
        const CommandRun run = RunCommand(network, "params", {kDevice, format});
        EXPECT_EQ(run.exitStatus, 0) << run.err;
        if (std::string(format) == "--json") {
            ASSERT_EQ(run.records.size(), 1u);
            EXPECT_EQ(run.records[0]["parameters"]["mask"], kErase);
            EXPECT_EQ(run.records[0]["parameters"]["firmware"], kTitle + " 07/03/16 14:05");
            continue;
        }
        EXPECT_FALSE(HasControls(run.out)) << run.out;
        EXPECT_NE(run.out.find("255\\x1b[2K\\x1b[1A"), std::string::npos) << run.out;
        EXPECT_NE(run.out.find("1.5\\x1b]0;OWNED\\x07 07/03/16"), std::string::npos) << run.out;
    }
}

TEST(TerminalTextOutputs, ChangeListsResultsAndMessagesShowEscapes) {
    const std::string path = "/tmp/korvactl-terminal-text-" + std::to_string(getpid()) + ".csv";
    std::ofstream(path) << kDevice + "," + kDevice + ",255.255.255.0," + kGateway + "\n";
    for (const char* format : {"--table", "--csv"}) {
        SCOPED_TRACE(format);
        ScriptedNetwork network;
        network.AddDevice(kDevice, HostileDevice());
        const CommandRun run = RunCommand(network, "apply", {path, "--dry-run", format});
        EXPECT_EQ(run.exitStatus, 0) << run.err;
        EXPECT_FALSE(HasControls(run.err)) << run.err;
        EXPECT_NE(run.err.find("  " + kDevice + ": mask 255\\x1b[2K\\x1b[1A -> 255.255.255.0\n"), std::string::npos)
            << run.err;
        EXPECT_FALSE(HasControls(run.out)) << run.out;
        EXPECT_NE(run.out.find("would_change"), std::string::npos) << run.out;
    }

    // A plan's own text in a refusal.
    std::ofstream(path) << kDevice + kTitle + "," + kDevice + ",255.255.255.0," + kGateway + "\n";
    ScriptedNetwork network;
    const CommandRun refused = RunCommand(network, "apply", {path, "--dry-run"});
    EXPECT_EQ(refused.exitStatus, 2);
    EXPECT_NE(refused.err.find("'" + kDevice + "1.5\\x1b]0;OWNED\\x07'"), std::string::npos) << refused.err;
    EXPECT_FALSE(HasControls(refused.err)) << refused.err;
    std::remove(path.c_str());
}

}  // namespace
}  // namespace korva::ctl::testing
