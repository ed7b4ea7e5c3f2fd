// status and params against scripted devices: several at once, retries, time-outs, stray datagrams.
#include "tests/tools/korvactl/command_runner.h"

#include "tests/support/suite_addresses.h"

#include <gtest/gtest.h>

#include <map>

namespace korva::ctl::testing {
namespace {

using namespace std::chrono_literals;

const korva::testing::SuiteAddresses addresses{"status_command"};
// The devices in the order the user names them.
const std::string kFirst = addresses[1];
const std::string kSecond = addresses[2];
const std::string kThird = addresses[3];

std::map<std::string, nlohmann::json> ByAddress(const std::vector<nlohmann::json>& records) {
    std::map<std::string, nlohmann::json> byAddress;
    for (const auto& record : records) {
        EXPECT_FALSE(byAddress.contains(record["address"])) << "two records for " << record["address"];
        byAddress[record["address"]] = record;
    }
    return byAddress;
}

// Answers live-data requests, but only from the (skip + 1)-th on.
DeviceScript AnswersAfterSkipping(int skip, int echo = 123) {
    return [skip, echo, seen = 0](const std::string& request) mutable -> std::optional<Answer> {
        if (!Is(request, "snd") || seen++ < skip)
            return std::nullopt;
        return Answer{StatusLine(echo), 5ms};
    };
}

TEST(StatusCommand, EachDeviceHasItsOwnRetriesAndTheExitStatusSaysWhetherAllAnswered) {
    ScriptedNetwork network;
    network.AddDevice(kFirst, AnswersAfterSkipping(0, 1));
    network.AddDevice(kSecond, AnswersAfterSkipping(2, 2));  // answers the third request
    network.AddDevice(kThird, AnswersAfterSkipping(99));     // never

    const CommandRun run =
        RunCommand(network, "status", {kFirst, kSecond, kThird, "--timeout", "1s", "--retries", "2"});

    EXPECT_EQ(run.exitStatus, 1);
    auto records = ByAddress(run.records);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[kFirst]["status"]["echo"], 1);
    EXPECT_EQ(records[kSecond]["status"]["echo"], 2);
    EXPECT_EQ(records[kSecond]["keyword"], "SND");
    EXPECT_TRUE(records[kSecond].contains("received_at"));
    EXPECT_EQ(records[kThird]["error"], "no reply to the live-data request (3 requests, 1000 ms each)");
    EXPECT_NE(run.err.find(kThird + ": no reply"), std::string::npos) << run.err;

    EXPECT_EQ(network.SentTo(kFirst).size(), 1u);
    // Retries follow the time-outs, each device on its own clock.
    for (const std::string& address : {kSecond, kThird}) {
        const auto sent = network.SentTo(address);
        ASSERT_EQ(sent.size(), 3u) << address;
        EXPECT_EQ(sent[0].at, 0ms);
        EXPECT_EQ(sent[1].at, 1000ms);
        EXPECT_EQ(sent[2].at, 2000ms);
        for (const auto& request : sent)
            EXPECT_EQ(request.bytes, "snd000\r\n");
    }
    EXPECT_EQ(network.Elapsed(), 3000ms);  // the silent device's last time-out, not the sum of all
}

TEST(StatusCommand, AllAnsweringEndsAtTheLastReplyWithExitStatusZero) {
    ScriptedNetwork network;
    network.AddDevice(kFirst, AnswersAfterSkipping(0));
    network.AddDevice(kSecond, AnswersAfterSkipping(1));
    const CommandRun run = RunCommand(network, "status", {kFirst, kSecond, "--timeout", "200ms"});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(run.records.size(), 2u);
    EXPECT_EQ(network.Elapsed(), 205ms);
    EXPECT_EQ(run.err, "korvactl status: 2 answered, 0 failed\n") << "the summary, and nothing else";
}

TEST(StatusCommand, RepliesFromOtherAddressesOrOfAnotherKindAreNoAnswer) {
    ScriptedNetwork network;
    // The named device answers a live-data request with a parameter reply only.
    network.AddDevice(kFirst, [](const std::string&) { return Answer{ParameterLine(kFirst), 1ms}; });
    // Someone else's status reply arrives while korvactl waits.
    network.Inject(10ms, addresses[4], StatusLine(9));
    const CommandRun run = RunCommand(network, "status", {kFirst, "--timeout", "100ms", "--retries", "1"});
    EXPECT_EQ(run.exitStatus, 1);
    ASSERT_EQ(run.records.size(), 1u);
    EXPECT_EQ(run.records[0]["address"], kFirst);
    EXPECT_TRUE(run.records[0].contains("error"));
}

TEST(StatusCommand, NothingIsSentToAnAddressNotNamed) {
    ScriptedNetwork network;
    network.AddDevice(kFirst, AnswersAfterSkipping(0));
    const CommandRun run =
        RunCommand(network, "status", {kFirst, "localhost", ThreeDigitOctets(kSecond), "--timeout", "50ms"});
    std::set<std::string> destinations;
    for (const auto& request : network.Sent())
        destinations.insert(request.address);
    EXPECT_EQ(destinations, (std::set<std::string>{kFirst, "127.0.0.1", kSecond}));
    // Each record carries the name the user typed, whatever address it went to.
    const auto records = ByAddress(run.records);
    EXPECT_TRUE(records.contains("localhost"));
    EXPECT_TRUE(records.contains(ThreeDigitOctets(kSecond)));
}

TEST(StatusCommand, UnresolvableNamesAndFailedSendsAreReportedPerDeviceWhileTheOthersGoOn) {
    ScriptedNetwork network;
    network.AddDevice(kFirst, AnswersAfterSkipping(0));
    const std::string unreachable = addresses[5];
    network.FailSendsTo(unreachable);
    const CommandRun run = RunCommand(network, "status", {"no such host", unreachable, kFirst});
    EXPECT_EQ(run.exitStatus, 1);
    auto records = ByAddress(run.records);
    EXPECT_EQ(records["no such host"]["error"], "Socket Error # 11001 Host not found.");
    EXPECT_EQ(records[unreachable]["error"], "Socket Error # 10051 Network is unreachable.");
    EXPECT_EQ(records[kFirst]["keyword"], "SND");
    EXPECT_NE(run.err.find("korvactl status: no such host: Socket Error # 11001 Host not found."), std::string::npos);
    EXPECT_EQ(network.SentTo(unreachable).size(), 0u);
}

TEST(StatusCommand, TheSameDeviceNamedTwiceIsAskedOnce) {
    ScriptedNetwork network;
    network.AddDevice("127.0.0.1", AnswersAfterSkipping(0));
    const CommandRun run = RunCommand(network, "status", {"127.0.0.1", "LOCALHOST"});
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.records.size(), 1u);
    EXPECT_EQ(network.Sent().size(), 1u);
    EXPECT_NE(run.err.find("LOCALHOST is 127.0.0.1 like 127.0.0.1"), std::string::npos) << run.err;
}

TEST(StatusCommand, InterruptedDevicesAreReportedAsSuch) {
    ScriptedNetwork network;
    network.AddDevice(kFirst, AnswersAfterSkipping(0));
    network.InterruptAt(500ms);
    const CommandRun run = RunCommand(network, "status", {kFirst, kSecond});
    EXPECT_EQ(run.exitStatus, 1);
    auto records = ByAddress(run.records);
    EXPECT_EQ(records[kFirst]["keyword"], "SND");
    EXPECT_EQ(records[kSecond]["error"], "interrupted");
    EXPECT_EQ(network.Elapsed(), 500ms);
}

TEST(ParamsCommand, SendsTheManualParameterRequestAndPrintsTheParameters) {
    ScriptedNetwork network;
    network.AddDevice(kFirst, [](const std::string& request) -> std::optional<Answer> {
        if (request != "rPr000 \r\n")
            return std::nullopt;
        return Answer{ParameterLine("10.0.0.7")};
    });
    const CommandRun run = RunCommand(network, "params", {kFirst});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    ASSERT_EQ(run.records.size(), 1u);
    const auto& parameters = run.records[0]["parameters"];
    EXPECT_EQ(parameters["address"], "10.0.0.7");
    EXPECT_EQ(parameters["mask"], "255.255.255.0");
    EXPECT_EQ(parameters["gateway"], "10.0.0.1");
    EXPECT_EQ(parameters["mac"], "00-1A-AB-01-02-FF");
    EXPECT_EQ(parameters["firmware"], "1.52 07/03/16 14:05");
    EXPECT_EQ(parameters["changed"], false);
}

TEST(ParamsCommand, TableShowsOneHeaderAndARowPerDevice) {
    ScriptedNetwork network;
    for (const std::string& address : {kFirst, kSecond})
        network.AddDevice(address, [address](const std::string&) { return Answer{ParameterLine(address)}; });
    const CommandRun run =
        RunCommand(network, "params", {kFirst, kSecond, kThird, "--table", "--timeout", "10ms", "--retries", "0"});
    std::istringstream lines(run.out);
    std::vector<std::string> rows;
    for (std::string line; std::getline(lines, line);)
        rows.push_back(line);
    ASSERT_EQ(rows.size(), 4u) << run.out;
    EXPECT_EQ(rows[0].rfind("ADDRESS", 0), 0u);
    EXPECT_NE(rows[0].find("MASK"), std::string::npos);
    EXPECT_NE(rows[1].find("00-1A-AB-01-02-FF"), std::string::npos);
    EXPECT_NE(rows[2].find(kSecond), std::string::npos);
    EXPECT_NE(rows[3].find("error: no reply to the parameter request"), std::string::npos);
}

// status and params hold each result back for the order the devices were named, unless --order reply:
// the device named first answers last.
TEST(SweepCommands, ResultsComeInTheOrderNamedUnlessOrderReply) {
    const struct {
        const char* command;
        std::vector<std::string> order;
        std::vector<std::string> expected;
    } cases[] = {
        {"status", {}, {kFirst, kSecond}},
        {"status", {"--order", "reply"}, {kSecond, kFirst}},
        {"params", {}, {kFirst, kSecond}},
        {"params", {"--order", "reply"}, {kSecond, kFirst}},
    };
    for (const auto& c : cases) {
        ScriptedNetwork network;
        for (const auto& [address, delay] : {std::pair{kFirst, 50ms}, std::pair{kSecond, 5ms}}) {
            network.AddDevice(address, [address, delay](const std::string& request) {
                return Answer{Is(request, "snd") ? StatusLine(1) : ParameterLine(address), delay};
            });
        }
        std::vector<std::string> arguments{kFirst, kSecond};
        arguments.insert(arguments.end(), c.order.begin(), c.order.end());
        const CommandRun run = RunCommand(network, c.command, arguments);
        EXPECT_EQ(run.exitStatus, 0) << run.err;
        std::vector<std::string> addresses;
        for (const auto& record : run.records)
            addresses.push_back(record["address"]);
        EXPECT_EQ(addresses, c.expected) << c.command << ' ' << c.order.size();
    }
}

// A reply cut short before a field its reading needs is told as incomplete, never read as zeros.
TEST(StatusCommand, RepliesCutShortAreIncompleteFailures) {
    const struct {
        const char* command;
        std::string line;
        std::string error;
    } cases[] = {
        {"status", "0100,SND,0,25,60,244,1,0,1", "incomplete reply: the status reply ends before its echo number"},
        {"params",
         "0100,RPR,0," + kFirst + ",255.0.0.0," + addresses[254] + ",0:26:171:1:2:255,8,9,10,11,12,13,14,1.52,16,17",
         "incomplete reply: the parameter reply ends before its firmware date"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        for (const char* format : {"--json", "--table", "--csv"}) {
            ScriptedNetwork network;
            network.AddDevice(kFirst, [&c](const std::string&) { return Answer{c.line, 2ms}; });
            const CommandRun run = RunCommand(network, c.command, {kFirst, format});
            EXPECT_EQ(run.exitStatus, 1) << format;
            EXPECT_EQ(run.err, "korvactl " + std::string(c.command) + ": " + kFirst + ": " + c.error + "\n");
            if (std::string(format) == "--json") {
                ASSERT_EQ(run.records.size(), 1u);
                EXPECT_EQ(run.records[0]["error"], c.error);
                EXPECT_EQ(run.records[0]["plain"], c.line);
                EXPECT_FALSE(run.records[0].contains("status") || run.records[0].contains("parameters"));
            } else {
                EXPECT_NE(run.out.find(std::string(format) == "--csv" ? "," + c.error : "error: " + c.error),
                          std::string::npos)
                    << run.out;
            }
        }
    }
}

}  // namespace
}  // namespace korva::ctl::testing
