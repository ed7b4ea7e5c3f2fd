// watch against scripted devices: the automatic mode's requests, rounds, missed replies, Ctrl-C.
#include "tests/tools/korvactl/command_runner.h"

#include "tests/support/suite_addresses.h"
#include "tools/korvactl/program/run_command.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

namespace korva::ctl::testing {
namespace {

using namespace std::chrono_literals;

const korva::testing::SuiteAddresses addresses{"watch_command"};
const std::string kDevice = addresses[1];

// Answers every live-data request except those whose number (from 1) is in dropped; answers the
// parameter request from the given one on.
DeviceScript WatchedDevice(std::set<int> dropped = {}, int answerParametersFrom = 1) {
    return [=, status = 0, parameters = 0](const std::string& request) mutable -> std::optional<Answer> {
        if (Is(request, "rPr"))
            return ++parameters >= answerParametersFrom ? std::optional<Answer>(Answer{ParameterLine("10.0.0.7"), 4ms})
                                                        : std::nullopt;
        if (Is(request, "snd") && !dropped.contains(++status))
            return Answer{StatusLine(status), 4ms};
        return std::nullopt;
    };
}

TEST(WatchCommand, AskForParametersUntilAnsweredThenOnlyLiveData) {
    ScriptedNetwork network;
    network.AddDevice(kDevice, WatchedDevice({}, 2));  // ignores the first parameter request
    const CommandRun run = RunCommand(network, "watch", {kDevice, "--interval", "200ms", "--count", "4"});

    EXPECT_EQ(run.exitStatus, 0) << run.err;
    std::vector<std::string> expected = {"rPr000\r\n", "snd000\r\n", "rPr000\r\n",
                                         "snd000\r\n", "snd000\r\n", "snd000\r\n"};
    std::vector<std::string> sent;
    for (const auto& request : network.Sent())
        sent.push_back(request.bytes);
    EXPECT_EQ(sent, expected);
    EXPECT_EQ(network.Sent()[4].at, 400ms);
    EXPECT_EQ(network.Sent()[5].at, 600ms);
    EXPECT_EQ(network.Elapsed(), 800ms);  // the last round gets its interval too

    ASSERT_EQ(run.records.size(), 5u);  // four status replies and one parameter reply
    EXPECT_EQ(run.records[0]["keyword"], "SND");
    EXPECT_EQ(run.records[1]["keyword"], "RPR");
    EXPECT_EQ(run.records[4]["status"]["echo"], 4);
    EXPECT_EQ(run.records[4]["received_at"], "1970-01-01T00:00:00.604Z");
}

TEST(WatchCommand, MissedRoundsAreLoggedAndMakeTheExitStatusOne) {
    ScriptedNetwork network;
    network.AddDevice(kDevice, WatchedDevice({2, 3}));
    const CommandRun run = RunCommand(network, "watch", {kDevice, "--interval", "100ms", "--count", "4"});

    EXPECT_EQ(run.exitStatus, 1);
    int missed = 0;
    for (const auto& record : run.records) {
        if (record.contains("error")) {
            EXPECT_EQ(record["error"], "no live data within 100 ms");
            ++missed;
        }
    }
    EXPECT_EQ(missed, 2);
    EXPECT_EQ(network.SentTo(kDevice).size(), 5u);  // one parameter request, four live-data requests
}

TEST(WatchCommand, CtrlCEndsCleanlyWithEveryDeviceStopped) {
    const std::string other = addresses[2];
    ScriptedNetwork network;
    network.AddDevice(kDevice, WatchedDevice());
    network.AddDevice(other, WatchedDevice());
    network.InterruptAt(1050ms);
    const CommandRun run = RunCommand(network, "watch", {kDevice, other, "--interval", "250ms"});

    EXPECT_EQ(run.exitStatus, 1) << run.err;
    EXPECT_EQ(run.err, "korvactl watch: interrupted after 5 rounds; 2 answered every round, 0 missed some\n");
    EXPECT_EQ(network.Elapsed(), 1050ms);
    for (const std::string& address : {kDevice, other})
        EXPECT_EQ(network.SentTo(address).size(), 6u) << address;  // rounds at 0, 250, ..., 1000 ms
    for (const auto& record : run.records)
        EXPECT_FALSE(record.contains("error")) << record;
}

TEST(WatchCommand, AFailingSendCostsOneRoundAndTheWatchGoesOn) {
    const std::string unreachable = addresses[3];
    ScriptedNetwork network;
    network.FailSendsTo(unreachable);
    network.AddDevice(kDevice, WatchedDevice());
    const CommandRun run = RunCommand(network, "watch", {unreachable, kDevice, "--interval", "100ms", "--count", "3"});
    EXPECT_EQ(run.exitStatus, 1);
    int failures = 0;
    for (const auto& record : run.records) {
        if (record["address"] == unreachable) {
            EXPECT_EQ(record["error"], "Socket Error # 10051 Network is unreachable.");
            ++failures;
        }
    }
    EXPECT_EQ(failures, 3);
    EXPECT_EQ(network.SentTo(kDevice).size(), 4u);
    // Standard error tells the failure once, and how often it came again.
    const std::string failure = "korvactl watch: " + unreachable + ": Socket Error # 10051 Network is unreachable.";
    EXPECT_EQ(run.err,
              failure + "\n" + "korvactl watch: 1 answered every round, 1 failed\n" + failure + " (2 more times)\n");
}

TEST(WatchCommand, TableRepeatsTheHeaderOnlyWhenTheKindOfReplyChanges) {
    ScriptedNetwork network;
    network.AddDevice(kDevice, WatchedDevice({}, 2));  // status, then parameters, then status again
    const CommandRun run = RunCommand(network, "watch", {kDevice, "--interval", "100ms", "--count", "3", "--table"});
    std::istringstream lines(run.out);
    std::vector<std::string> rows;
    for (std::string line; std::getline(lines, line);)
        rows.push_back(line);
    // status header, status row, parameter header, parameter row, status header, two status rows
    ASSERT_EQ(rows.size(), 7u) << run.out;
    EXPECT_NE(rows[0].find("TEMP_C"), std::string::npos);
    EXPECT_NE(rows[1].find("24.4"), std::string::npos);
    EXPECT_NE(rows[2].find("GATEWAY"), std::string::npos);
    EXPECT_NE(rows[4].find("TEMP_C"), std::string::npos);
}

// A watch's CSV is a sheet of readings: the reply's own line only with --raw.
TEST(WatchCommand, CsvLeavesTheRawLineOutUnlessAsked) {
    for (const bool raw : {false, true}) {
        ScriptedNetwork network;
        network.AddDevice(kDevice, WatchedDevice({}, 99));  // live data only
        std::vector<std::string> arguments = {kDevice, "--interval", "100ms", "--count", "2", "--csv"};
        if (raw)
            arguments.push_back("--raw");
        const CommandRun run = RunCommand(network, "watch", arguments);
        EXPECT_EQ(run.exitStatus, 0) << run.err;
        const std::string header = run.out.substr(0, run.out.find('\n'));
        EXPECT_EQ(header.rfind("address,received_at,", 0), 0u) << header;
        EXPECT_NE(header.find(",status.temperature,"), std::string::npos) << header;
        EXPECT_EQ(header.find(",plain,") != std::string::npos, raw) << header;
        EXPECT_EQ(run.out.find("SND,0,25") != std::string::npos, raw) << run.out;
    }
}

// What a program reading korvactl's output through a pipe has been given: the text as of the last flush.
class FlushedText : public std::stringbuf {
public:
    std::size_t LinesOut() const {
        return static_cast<std::size_t>(std::count(flushed_.begin(), flushed_.end(), '\n'));
    }

protected:
    int sync() override {
        flushed_ = str();
        return 0;
    }

private:
    std::string flushed_;
};

TEST(WatchCommand, EachRoundsLinesAreOutBeforeTheNextRoundAsks) {
    ScriptedNetwork network;
    FlushedText text;
    std::ostream out(&text);
    std::vector<std::size_t> linesOutWhenAsked;
    network.AddDevice(kDevice, [&, status = 0](const std::string& request) mutable -> std::optional<Answer> {
        linesOutWhenAsked.push_back(text.LinesOut());
        if (Is(request, "rPr"))
            return Answer{ParameterLine("10.0.0.7"), 4ms};
        return Answer{StatusLine(++status), 4ms};
    });
    std::ostringstream err;
    std::istringstream typed;
    const Terminal terminal{false, typed, err};
    CommandIo io{out, err, terminal, [&network] { return network.OpenLink(); }, false};

    ASSERT_EQ(RunCommand("watch", {kDevice, "--interval", "200ms", "--count", "3"}, io), 0) << err.str();
    // Round one asks for parameters and live data; each later round finds every earlier line out.
    EXPECT_EQ(linesOutWhenAsked, (std::vector<std::size_t>{0, 0, 2, 3}));
    EXPECT_EQ(text.LinesOut(), 4u);
}

}  // namespace
}  // namespace korva::ctl::testing
