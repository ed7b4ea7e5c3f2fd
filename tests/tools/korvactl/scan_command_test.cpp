// scan against scripted devices: which addresses are asked, in what order, at what pace, and what is
// listed.
#include "tests/tools/korvactl/command_runner.h"

#include "tests/support/suite_addresses.h"

#include <gtest/gtest.h>

namespace korva::ctl::testing {
namespace {

using namespace std::chrono_literals;

const korva::testing::SuiteAddresses addresses{"scan_command"};

DeviceScript Answering(const std::string& address) {
    return [address](const std::string& request) -> std::optional<Answer> {
        if (Is(request, "rPr"))
            return Answer{ParameterLine(address), 2ms};
        return std::nullopt;
    };
}

TEST(ScanCommand, AsksEachAddressOnceInOrderAtThePaceAndListsExactlyTheAnswers) {
    ScriptedNetwork network;
    network.AddDevice(addresses[2], Answering(addresses[2]));
    network.AddDevice(addresses[9], Answering(addresses[9]));
    network.AddDevice(addresses[10], Answering(addresses[10]));  // outside the ranges
    const CommandRun run = RunCommand(
        network, "scan", {addresses.Range(4, 9), addresses[0] + "/29", "--rate", "50", "--timeout", "300ms"});

    EXPECT_EQ(run.exitStatus, 0) << run.err;
    const auto& sent = network.Sent();
    ASSERT_EQ(sent.size(), 10u);
    for (std::size_t i = 0; i < sent.size(); ++i) {
        EXPECT_EQ(sent[i].address, addresses[i]);
        EXPECT_EQ(sent[i].bytes, "rPr000\r\n");
        EXPECT_EQ(sent[i].at, static_cast<int>(i) * 20ms);  // 50 a second
    }
    ASSERT_EQ(run.records.size(), 2u);
    EXPECT_EQ(run.records[0]["address"], addresses[2]);
    EXPECT_EQ(run.records[0]["parameters"]["address"], addresses[2]);
    EXPECT_EQ(run.records[1]["address"], addresses[9]);
    EXPECT_EQ(run.records[1]["parameters"]["mask"], "255.255.255.0");
    // The search ends a time-out after its last request, answered or not: a reply to an early request
    // may wait unread while later requests go out.
    EXPECT_EQ(network.Elapsed(), 9 * 20ms + 300ms);
    EXPECT_NE(run.err.find("4 addresses named more than once; each is asked once"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("2 devices answered of 10 addresses asked"), std::string::npos) << run.err;
}

TEST(ScanCommand, AReplyLaterThanItsOwnTimeOutCountsUntilTheLastRequestHasHadItsTimeOut) {
    ScriptedNetwork network;
    network.AddDevice(addresses[0], [](const std::string&) -> std::optional<Answer> {
        return Answer{ParameterLine(addresses[0]), 400ms};  // read late, as behind a burst of requests
    });
    const CommandRun run = RunCommand(network, "scan", {addresses[0] + "/29", "--rate", "10", "--timeout", "150ms"});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    ASSERT_EQ(run.records.size(), 1u);
    EXPECT_EQ(run.records[0]["address"], addresses[0]);
    EXPECT_EQ(network.Elapsed(), 7 * 100ms + 150ms);
}

TEST(ScanCommand, WithoutALimitEverythingGoesAtOnceAndSilenceIsNoFailure) {
    ScriptedNetwork network;
    const CommandRun run = RunCommand(network, "scan", {addresses[0] + "/28", "--rate", "0", "--timeout", "100ms"});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    ASSERT_EQ(network.Sent().size(), 16u);
    EXPECT_EQ(network.Sent().back().at, 0ms);
    EXPECT_TRUE(run.out.empty()) << run.out;
    EXPECT_NE(run.err.find("0 devices answered of 16 addresses asked"), std::string::npos) << run.err;
}

TEST(ScanCommand, MoreThanA16OnlyWithForceAndThenInSlices) {
    {
        ScriptedNetwork network;
        const CommandRun run = RunCommand(network, "scan", {"127.0.0.0/16", "127.1.0.0/32"});
        EXPECT_EQ(run.exitStatus, 2);
        EXPECT_EQ(network.LinksOpened(), 0);
        EXPECT_NE(run.err.find("65537 addresses are more than 65536; add --force"), std::string::npos) << run.err;
    }
    {
        ScriptedNetwork network;
        const CommandRun run = RunCommand(network, "scan", {"127.0.0.0/16", "127.0.5.0/24"});  // inside: 65536
        EXPECT_EQ(run.exitStatus, 0) << run.err;
        EXPECT_EQ(network.Sent().size(), 65536u);
    }
    ScriptedNetwork network;
    const CommandRun run =
        RunCommand(network, "scan", {"127.2.0.0/15", "127.4.0.0/32", "--force", "--rate", "0", "--timeout", "10ms"});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    const auto& sent = network.Sent();
    ASSERT_EQ(sent.size(), 131073u);
    EXPECT_EQ(sent[65535].at, 0ms);
    EXPECT_EQ(sent[65536].address, "127.3.0.0");
    EXPECT_EQ(sent[65536].at, 10ms) << "the second slice starts when the first has ended";
    EXPECT_EQ(sent[131072].address, "127.4.0.0");
    EXPECT_EQ(sent[131072].at, 20ms);
}

// Sends that fail at once never make the search wait; it still hears Ctrl-C, and its failures are
// counted by reason, never listed as devices.
TEST(ScanCommand, FailingSendsAreSummarisedAndAnInterruptStopsThem) {
    const std::string firstThree = addresses[0] + ", " + addresses[1] + ", " + addresses[2];
    const struct {
        const char* what;
        std::optional<milliseconds> interruptAt;
        int exitStatus;
        std::string summary;
    } cases[] = {
        {"to its end",
         {},
         1,
         "korvactl scan: 1024 requests not sent: Socket Error # 10051 Network is unreachable. (" + firstThree +
             " and 1021 more)\n"
             "korvactl scan: 0 devices answered of 1024 addresses asked\n"},
        // Each failed send takes 1 ms here: the interrupt at 300 ms is heard within one look's 256 sends.
        {"interrupted", 300ms, 1,
         "korvactl scan: 512 requests not sent: Socket Error # 10051 Network is unreachable. (" + firstThree +
             " and 509 more)\n"
             "korvactl scan: interrupted after asking 512 of 1024 addresses; 0 answered\n"},
        // Ctrl-C before the search begins (at the end of a name lookup, say): nothing is sent.
        {"interrupted at once", 0ms, 1, "korvactl scan: interrupted after asking 0 of 1024 addresses; 0 answered\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedNetwork network;
        network.FailAllSends(1ms);
        if (c.interruptAt)
            network.InterruptAt(*c.interruptAt);
        const CommandRun run = RunCommand(network, "scan", {addresses[0] + "/22", "--rate", "0"});
        EXPECT_EQ(run.exitStatus, c.exitStatus);
        EXPECT_TRUE(run.out.empty()) << run.out;
        EXPECT_EQ(run.err, c.summary);
        if (c.interruptAt == 0ms) {
            EXPECT_TRUE(network.Sent().empty());
        }
    }
}

TEST(ScanCommand, BadCommandLinesSendNothing) {
    const std::vector<std::string> cases[] = {
        {},
        {addresses[0] + "/33"},
        {addresses[7] + "/24"},
        {addresses.Range(9, 1)},
        {"no such host"},
        {addresses.Block(), "--rate", "-1"},
        {addresses.Block(), "--rate", "fast"},
        {addresses.Block(), "--retries", "2"},
    };
    for (const auto& arguments : cases) {
        SCOPED_TRACE(arguments.empty() ? "(none)" : arguments.back());
        ScriptedNetwork network;
        const CommandRun run = RunCommand(network, "scan", arguments);
        EXPECT_EQ(run.exitStatus, 2);
        EXPECT_EQ(network.LinksOpened(), 0);
        EXPECT_FALSE(run.err.empty());
    }
}

}  // namespace
}  // namespace korva::ctl::testing
