// reset against scripted devices: the echo number, the 500 ms spacing, at most 15 commands.
#include "tests/tools/korvactl/command_runner.h"

#include "tests/support/suite_addresses.h"

#include <gtest/gtest.h>

namespace korva::ctl::testing {
namespace {

using namespace std::chrono_literals;

const korva::testing::SuiteAddresses addresses{"reset_command"};
const std::string kDevice = addresses[1];

struct ResettableDevice {
    int acknowledgeOn = 0;  // the reset command that gets "ACK"; 0: none does
    int echo = 4711;
    bool answersStatus = true;
};

DeviceScript Play(ResettableDevice device) {
    return [device, resets = 0](const std::string& request) mutable -> std::optional<Answer> {
        if (Is(request, "snd"))
            return device.answersStatus ? std::optional<Answer>(Answer{StatusLine(device.echo), 3ms}) : std::nullopt;
        if (Is(request, "rst"))
            return Answer{ResetLine(++resets == device.acknowledgeOn), 3ms};
        return std::nullopt;
    };
}

std::vector<SentRequest> ResetCommands(const ScriptedNetwork& network, const std::string& address) {
    std::vector<SentRequest> commands;
    for (const SentRequest& request : network.SentTo(address)) {
        if (Is(request.bytes, "rst"))
            commands.push_back(request);
    }
    return commands;
}

TEST(ResetCommand, RepeatsTheCommandHalfASecondApartUntilAcknowledged) {
    for (const int k : {1, 2, 7, 15}) {
        SCOPED_TRACE("acknowledged on command " + std::to_string(k));
        ScriptedNetwork network;
        network.AddDevice(kDevice, Play({k, 4711, true}));
        const CommandRun run = RunCommand(network, "reset", {kDevice});

        EXPECT_EQ(run.exitStatus, 0) << run.err;
        const auto commands = ResetCommands(network, kDevice);
        ASSERT_EQ(commands.size(), static_cast<std::size_t>(k));
        const milliseconds first = commands[0].at;
        EXPECT_EQ(first, 3ms);  // right after the status reply
        for (int i = 0; i < k; ++i) {
            EXPECT_EQ(commands[i].bytes, "rst0000050004711\r\n");
            EXPECT_EQ(commands[i].at, first + i * 500ms);
        }
        ASSERT_EQ(run.records.size(), 1u);  // the acknowledgement alone; the status read is a means
        EXPECT_EQ(run.records[0]["reset_ack"], true);
        EXPECT_EQ(run.records[0]["reset_commands"], k);
    }
}

TEST(ResetCommand, NeverAcknowledgedMeansExactlyFifteenCommandsAndFailure) {
    ScriptedNetwork network;
    network.AddDevice(kDevice, Play({0, -42, true}));
    const CommandRun run = RunCommand(network, "reset", {kDevice, "--timeout", "200ms"});

    EXPECT_EQ(run.exitStatus, 1);
    const auto commands = ResetCommands(network, kDevice);
    ASSERT_EQ(commands.size(), 15u);
    EXPECT_EQ(commands[0].bytes, "rst000005-0000042\r\n");
    EXPECT_EQ(commands[14].at - commands[0].at, 14 * 500ms);
    // The last command gets its half second too (a shorter --timeout does not cut it short).
    EXPECT_EQ(network.Elapsed(), commands[14].at + 500ms);
    ASSERT_EQ(run.records.size(), 1u);
    EXPECT_EQ(run.records[0]["error"], "reset not acknowledged after 15 reset commands");
}

TEST(ResetCommand, LongerTimeoutLengthensOnlyTheWaitAfterTheLastCommand) {
    ScriptedNetwork network;
    network.AddDevice(kDevice, Play({0, 1, true}));
    RunCommand(network, "reset", {kDevice, "--timeout", "2s"});
    const auto commands = ResetCommands(network, kDevice);
    ASSERT_EQ(commands.size(), 15u);
    EXPECT_EQ(commands[14].at - commands[0].at, 14 * 500ms);
    EXPECT_EQ(network.Elapsed(), commands[14].at + 2s);
}

TEST(ResetCommand, NoStatusReplyMeansNoResetCommand) {
    ScriptedNetwork network;
    network.AddDevice(kDevice, Play({1, 1, false}));
    const CommandRun run = RunCommand(network, "reset", {kDevice, "--timeout", "100ms", "--retries", "1"});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_TRUE(ResetCommands(network, kDevice).empty());
    ASSERT_EQ(run.records.size(), 1u);
    EXPECT_EQ(run.records[0]["error"], "no reply to the live-data request (2 requests, 100 ms each)");
}

TEST(ResetCommand, SeveralDevicesEachWithTheirOwnEchoAndOutcome) {
    const std::string second = addresses[2];
    const std::string third = addresses[3];
    ScriptedNetwork network;
    network.AddDevice(kDevice, Play({3, 100, true}));
    network.AddDevice(second, Play({1, 101, true}));
    network.AddDevice(third, Play({0, 102, true}));
    const CommandRun run = RunCommand(network, "reset", {kDevice, second, third});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(ResetCommands(network, kDevice).size(), 3u);
    EXPECT_EQ(ResetCommands(network, second).size(), 1u);
    EXPECT_EQ(ResetCommands(network, third).size(), 15u);
    EXPECT_EQ(ResetCommands(network, second)[0].bytes, "rst0000050000101\r\n");
    EXPECT_EQ(run.records.size(), 3u);
}

}  // namespace
}  // namespace korva::ctl::testing
