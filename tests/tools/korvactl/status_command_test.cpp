// status and params against scripted devices: several at once, retries, time-outs, stray datagrams.
#include "tests/tools/korvactl/command_runner.h"

#include <gtest/gtest.h>

#include <map>

namespace korva::ctl::testing {
namespace {

using namespace std::chrono_literals;

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
    network.AddDevice("127.0.0.100", AnswersAfterSkipping(0, 1));
    network.AddDevice("127.0.0.101", AnswersAfterSkipping(2, 2));  // answers the third request
    network.AddDevice("127.0.0.102", AnswersAfterSkipping(99));    // never

    const CommandRun run = RunCommand(
        network, "status", {"127.0.0.100", "127.0.0.101", "127.0.0.102", "--timeout", "1s", "--retries", "2"});

    EXPECT_EQ(run.exitStatus, 1);
    auto records = ByAddress(run.records);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records["127.0.0.100"]["status"]["echo"], 1);
    EXPECT_EQ(records["127.0.0.101"]["status"]["echo"], 2);
    EXPECT_EQ(records["127.0.0.101"]["keyword"], "SND");
    EXPECT_TRUE(records["127.0.0.101"].contains("received_at"));
    EXPECT_EQ(records["127.0.0.102"]["error"], "no reply to the live-data request (3 requests, 1000 ms each)");
    EXPECT_NE(run.err.find("127.0.0.102: no reply"), std::string::npos) << run.err;

    EXPECT_EQ(network.SentTo("127.0.0.100").size(), 1u);
    // Retries follow the time-outs, each device on its own clock.
    for (const char* address : {"127.0.0.101", "127.0.0.102"}) {
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
    network.AddDevice("127.0.0.100", AnswersAfterSkipping(0));
    network.AddDevice("127.0.0.101", AnswersAfterSkipping(1));
    const CommandRun run = RunCommand(network, "status", {"127.0.0.100", "127.0.0.101", "--timeout", "200ms"});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(run.records.size(), 2u);
    EXPECT_EQ(network.Elapsed(), 205ms);
    EXPECT_EQ(run.err, "korvactl status: 2 answered, 0 failed\n") << "the summary, and nothing else";
}

TEST(StatusCommand, RepliesFromOtherAddressesOrOfAnotherKindAreNoAnswer) {
    ScriptedNetwork network;
    // The named device answers a live-data request with a parameter reply only.
    network.AddDevice("127.0.0.100", [](const std::string&) { return Answer{ParameterLine("127.0.0.100"), 1ms}; });
    // Someone else's status reply arrives while korvactl waits.
    network.Inject(10ms, "127.0.0.139", StatusLine(9));
    const CommandRun run = RunCommand(network, "status", {"127.0.0.100", "--timeout", "100ms", "--retries", "1"});
    EXPECT_EQ(run.exitStatus, 1);
    ASSERT_EQ(run.records.size(), 1u);
    EXPECT_EQ(run.records[0]["address"], "127.0.0.100");
    EXPECT_TRUE(run.records[0].contains("error"));
}

TEST(StatusCommand, NothingIsSentToAnAddressNotNamed) {
    ScriptedNetwork network;
    network.AddDevice("127.0.0.100", AnswersAfterSkipping(0));
    const CommandRun run =
        RunCommand(network, "status", {"127.0.0.100", "localhost", "127.000.000.101", "--timeout", "50ms"});
    std::set<std::string> destinations;
    for (const auto& request : network.Sent())
        destinations.insert(request.address);
    EXPECT_EQ(destinations, (std::set<std::string>{"127.0.0.100", "127.0.0.1", "127.0.0.101"}));
    // Each record carries the name the user typed, whatever address it went to.
    const auto records = ByAddress(run.records);
    EXPECT_TRUE(records.contains("localhost"));
    EXPECT_TRUE(records.contains("127.000.000.101"));
}

TEST(StatusCommand, UnresolvableNamesAndFailedSendsAreReportedPerDeviceWhileTheOthersGoOn) {
    ScriptedNetwork network;
    network.AddDevice("127.0.0.100", AnswersAfterSkipping(0));
    network.FailSendsTo("127.0.0.103");
    const CommandRun run = RunCommand(network, "status", {"no such host", "127.0.0.103", "127.0.0.100"});
    EXPECT_EQ(run.exitStatus, 1);
    auto records = ByAddress(run.records);
    EXPECT_EQ(records["no such host"]["error"], "Socket Error # 11001 Host not found.");
    EXPECT_EQ(records["127.0.0.103"]["error"], "Socket Error # 10051 Network is unreachable.");
    EXPECT_EQ(records["127.0.0.100"]["keyword"], "SND");
    EXPECT_NE(run.err.find("korvactl status: no such host: Socket Error # 11001 Host not found."), std::string::npos);
    EXPECT_EQ(network.SentTo("127.0.0.103").size(), 0u);
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
    network.AddDevice("127.0.0.100", AnswersAfterSkipping(0));
    network.InterruptAt(500ms);
    const CommandRun run = RunCommand(network, "status", {"127.0.0.100", "127.0.0.101"});
    EXPECT_EQ(run.exitStatus, 1);
    auto records = ByAddress(run.records);
    EXPECT_EQ(records["127.0.0.100"]["keyword"], "SND");
    EXPECT_EQ(records["127.0.0.101"]["error"], "interrupted");
    EXPECT_EQ(network.Elapsed(), 500ms);
}

TEST(ParamsCommand, SendsTheManualParameterRequestAndPrintsTheParameters) {
    ScriptedNetwork network;
    network.AddDevice("127.0.0.100", [](const std::string& request) -> std::optional<Answer> {
        if (request != "rPr000 \r\n")
            return std::nullopt;
        return Answer{ParameterLine("10.0.0.7")};
    });
    const CommandRun run = RunCommand(network, "params", {"127.0.0.100"});
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
    for (const char* address : {"127.0.0.100", "127.0.0.101"})
        network.AddDevice(address, [address](const std::string&) { return Answer{ParameterLine(address)}; });
    const CommandRun run =
        RunCommand(network, "params",
                   {"127.0.0.100", "127.0.0.101", "127.0.0.102", "--table", "--timeout", "10ms", "--retries", "0"});
    std::istringstream lines(run.out);
    std::vector<std::string> rows;
    for (std::string line; std::getline(lines, line);)
        rows.push_back(line);
    ASSERT_EQ(rows.size(), 4u) << run.out;
    EXPECT_EQ(rows[0].rfind("ADDRESS", 0), 0u);
    EXPECT_NE(rows[0].find("MASK"), std::string::npos);
    EXPECT_NE(rows[1].find("00-1A-AB-01-02-FF"), std::string::npos);
    EXPECT_NE(rows[2].find("127.0.0.101"), std::string::npos);
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
        {"status", {}, {"127.0.0.100", "127.0.0.101"}},
        {"status", {"--order", "reply"}, {"127.0.0.101", "127.0.0.100"}},
        {"params", {}, {"127.0.0.100", "127.0.0.101"}},
        {"params", {"--order", "reply"}, {"127.0.0.101", "127.0.0.100"}},
    };
    for (const auto& c : cases) {
        ScriptedNetwork network;
        for (const auto& [address, delay] : {std::pair{"127.0.0.100", 50ms}, std::pair{"127.0.0.101", 5ms}}) {
            network.AddDevice(address, [address, delay](const std::string& request) {
                return Answer{Is(request, "snd") ? StatusLine(1) : ParameterLine(address), delay};
            });
        }
        std::vector<std::string> arguments{"127.0.0.100", "127.0.0.101"};
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
        {"params", "0100,RPR,0,127.0.0.1,255.0.0.0,127.0.0.254,0:26:171:1:2:255,8,9,10,11,12,13,14,1.52,16,17",
         "incomplete reply: the parameter reply ends before its firmware date"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        for (const char* format : {"--json", "--table", "--csv"}) {
            ScriptedNetwork network;
            network.AddDevice("127.0.0.100", [&c](const std::string&) { return Answer{c.line, 2ms}; });
            const CommandRun run = RunCommand(network, c.command, {"127.0.0.100", format});
            EXPECT_EQ(run.exitStatus, 1) << format;
            EXPECT_EQ(run.err, "korvactl " + std::string(c.command) + ": 127.0.0.100: " + c.error + "\n");
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
