// apply against scripted devices: the question, what goes out in which order, and the results that
// depend on what a device reports.
#include "tests/tools/korvactl/command_runner.h"

#include "tests/support/suite_addresses.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

namespace korva::ctl::testing {
namespace {

using namespace std::chrono_literals;

const korva::testing::SuiteAddresses addresses{"apply_command"};
// The device of most rows; the mask it reports is 255.255.255.0.
const std::string kDevice = addresses[1];
const std::string kGateway = addresses[254];
// Inside the mask 255.255.0.0 the plans give it.
const std::string kNewGateway = addresses[253];

std::string Parameters(const std::string& address, const std::string& mask, const std::string& gateway) {
    return "0100,RPR,0," + address + "," + mask + "," + gateway +
           ",0:26:171:1:2:255,8,9,10,11,12,13,14,1.52,16,17,14,05,03,07,22,16";
}

// A device that keeps its address and reports the same parameters whatever is written, and
// acknowledges every write and its first reset.
DeviceScript StubbornDevice(const std::string& address) {
    return [address](const std::string& request) -> std::optional<Answer> {
        if (Is(request, "rPr"))
            return Answer{Parameters(address, "255.255.255.0", kGateway), 2ms};
        if (Is(request, "wPr"))
            return Answer{WriteLine(), 2ms};
        if (Is(request, "snd"))
            return Answer{StatusLine(77), 2ms};
        if (Is(request, "rst"))
            return Answer{ResetLine(true), 2ms};
        return std::nullopt;
    };
}

class Plan {
public:
    explicit Plan(const std::string& text) : path_("/tmp/korvactl-apply-test-" + std::to_string(getpid()) + ".csv") {
        std::ofstream(path_) << text;
    }
    ~Plan() { std::remove(path_.c_str()); }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

int Count(const ScriptedNetwork& network, const char* command) {
    int count = 0;
    for (const SentRequest& request : network.Sent())
        count += Is(request.bytes, command) ? 1 : 0;
    return count;
}

TEST(ApplyCommand, AsksOnceOnATerminalAndWritesNothingWithoutAYes) {
    // The device is to get a new mask and gateway on its own address.
    const Plan plan(kDevice + "," + kDevice + ",255.255.0.0," + kNewGateway + "\n");
    struct Case {
        TerminalInput terminal;
        bool yesFlag;
        int exitStatus;
        bool written;
    } cases[] = {
        {{true, "y\n"}, false, 1, true},      // written, but it reads back unchanged: failed
        {{true, "n\n"}, false, 1, false},     // declined
        {{true, "", true}, false, 1, false},  // Ctrl-C at the question
        {{false, "y\n"}, false, 2, false},    // nobody to ask
        {{false, ""}, true, 1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("typed '" + c.terminal.typed + "' interactive " + std::to_string(c.terminal.interactive));
        ScriptedNetwork network;
        network.AddDevice(kDevice, StubbornDevice(kDevice));
        std::vector<std::string> arguments = {plan.Path(), "--timeout", "100ms"};
        if (c.yesFlag)
            arguments.push_back("--yes");
        const CommandRun run = RunCommand(network, "apply", arguments, c.terminal);
        EXPECT_EQ(run.exitStatus, c.exitStatus) << run.err;
        EXPECT_EQ(Count(network, "wPr") == 1, c.written);
        EXPECT_EQ(Count(network, "wPr") == 0, !c.written);
        // Only what changes: the address stays.
        EXPECT_NE(run.err.find("  " + kDevice + ": mask 255.255.255.0 -> 255.255.0.0, gateway " + kGateway + " -> " +
                               kNewGateway + "\n"),
                  std::string::npos)
            << run.err;
        if (!c.written)
            continue;
        // Write, live data for the echo number, reset, then the manual parameter request at the new address.
        const auto& sent = network.Sent();
        ASSERT_EQ(sent.size(), 5u);
        EXPECT_EQ(sent[0].bytes, "rPr000\r\n");
        EXPECT_EQ(sent[1].bytes,
                  "wPr000 " + ThreeDigitOctets(kDevice) + " 255.255.000.000 " + ThreeDigitOctets(kNewGateway) + "\r\n");
        EXPECT_EQ(sent[2].bytes, "snd000\r\n");
        EXPECT_EQ(sent[3].bytes, "rst0000050000077\r\n");
        EXPECT_EQ(sent[4].bytes, "rPr000 \r\n");
        ASSERT_EQ(run.records.size(), 1u);
        EXPECT_EQ(run.records[0]["result"], "failed");
        EXPECT_EQ(run.records[0]["detail"], "written and reset; " + kDevice + " reports address " + kDevice +
                                                ", mask 255.255.255.0, gateway " + kGateway);
    }
}

TEST(ApplyCommand, ADeviceAlreadyAsPlannedIsUnchangedWithoutAQuestionOrAWrite) {
    const Plan plan("address,new_address,mask,gateway\n" + kDevice + "," + ThreeDigitOctets(kDevice) +
                    ",255.255.255.000," + kGateway + "\n");
    ScriptedNetwork network;
    network.AddDevice(kDevice, StubbornDevice(kDevice));
    const CommandRun run = RunCommand(network, "apply", {plan.Path()}, {false, ""});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(network.Sent().size(), 1u);
    ASSERT_EQ(run.records.size(), 1u);
    EXPECT_EQ(run.records[0]["result"], "unchanged");
    EXPECT_FALSE(run.records[0].contains("detail"));
}

// A dry run needs neither a terminal nor --yes, reads every device, writes none, and names what would change.
TEST(ApplyCommand, ADryRunListsWhatWouldChangeAndWritesNothing) {
    const std::string second = addresses[2];
    const std::string third = addresses[3];
    const std::string moved = addresses[4];
    const Plan plan(kDevice + "," + moved + ",255.255.255.0," + kGateway + "\n" +  // moves only
                    second + "," + second + ",255.255.255.0," + kDevice + "\n" +   // new gateway only
                    third + "," + third + ",255.255.255.0," + kGateway + "\n");    // as planned
    ScriptedNetwork network;
    for (const std::string& address : {kDevice, second, third})
        network.AddDevice(address, StubbornDevice(address));
    const struct {
        const char* result;
        nlohmann::json changes;  // the key changes; null: none
    } expected[] = {
        {"would_change", {{"address", {{"from", kDevice}, {"to", moved}}}}},
        {"would_change", {{"gateway", {{"from", kGateway}, {"to", kDevice}}}}},
        {"unchanged", nullptr},
    };
    for (const char* dryRun : {"--dry-run", "--diff"}) {
        const CommandRun run = RunCommand(network, "apply", {plan.Path(), dryRun}, {false, ""});
        EXPECT_EQ(run.exitStatus, 0) << run.err;
        ASSERT_EQ(run.records.size(), std::size(expected)) << run.out;
        for (std::size_t row = 0; row < std::size(expected); ++row) {
            EXPECT_EQ(run.records[row]["result"], expected[row].result) << row;
            if (expected[row].changes.is_null())
                EXPECT_FALSE(run.records[row].contains("changes")) << row;
            else
                EXPECT_EQ(run.records[row]["changes"], expected[row].changes) << row;
        }
        EXPECT_NE(run.err.find("korvactl apply: dry run, nothing written: 1 unchanged, 2 would change\n"),
                  std::string::npos)
            << run.err;
    }
    EXPECT_EQ(Count(network, "wPr"), 0);
    EXPECT_EQ(Count(network, "rst"), 0);
}

TEST(ApplyCommand, AResetNeverAcknowledgedIsWrittenButNotVerified) {
    const Plan plan(kDevice + "," + kDevice + ",255.255.0.0," + kNewGateway + "\n");
    ScriptedNetwork network;
    network.AddDevice(kDevice, [](const std::string& request) -> std::optional<Answer> {
        if (Is(request, "rst"))
            return Answer{ResetLine(false), 2ms};
        return StubbornDevice(kDevice)(request);
    });
    const CommandRun run =
        RunCommand(network, "apply", {plan.Path(), "--yes", "--timeout", "100ms", "--reset-interval", "40ms"});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(Count(network, "rst"), 15);
    const auto resets = network.SentTo(kDevice);
    EXPECT_EQ(resets.back().at - resets[resets.size() - 15].at, 14 * 40ms) << "the interval asked for";
    ASSERT_EQ(run.records.size(), 1u);
    EXPECT_EQ(run.records[0]["result"], "written_not_verified");
    EXPECT_EQ(run.records[0]["detail"],
              "written; reset not acknowledged after 15 reset commands; korvactl reset " + kDevice + " completes it");
}

}  // namespace
}  // namespace korva::ctl::testing
