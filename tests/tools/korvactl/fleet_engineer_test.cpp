// What a fleet engineer sees of scan, apply and sweeps as programs against korva-sim: the dry run, the
// progress line on a terminal (and nowhere else), closing summaries, input order and CSV. Devices on
// hosts 0-9 of the first block and 0-19 of the second.
#include "tests/support/suite_addresses.h"
#include "tests/support/terminal_run.h"
#include "tests/tools/korvactl/programs.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace korva::ctl::testing {
namespace {

const korva::testing::SuiteAddresses addresses{"fleet_engineer"};

// The host'th address of the suite's block'th /24.
std::string At(unsigned block, unsigned host) {
    return addresses[block * 256 + host];
}

using korva::testing::RunWithTerminalErr;

const std::vector<std::string> kPatience = {"--timeout", "500ms", "--retries", "2"};
// The line is redrawn in place: a carriage return, then erase to the end of the line.
constexpr const char* kRewind = "\r\x1b[K";

class PlanFile {
public:
    explicit PlanFile(const std::string& text)
        : path_("/tmp/korvactl-engineer-" + std::to_string(getpid()) + "-" + std::to_string(++made_) + ".csv") {
        std::ofstream(path_) << text;
    }
    ~PlanFile() { std::remove(path_.c_str()); }
    const std::string& Path() const { return path_; }

private:
    static inline int made_ = 0;
    std::string path_;
};

std::vector<std::string> With(std::vector<std::string> arguments, const std::vector<std::string>& more) {
    arguments.insert(arguments.end(), more.begin(), more.end());
    return arguments;
}

// The fields as one line of a plan or of CSV.
std::string Row(char separator, const std::vector<std::string>& fields) {
    std::string row = fields.front();
    for (std::size_t i = 1; i < fields.size(); ++i)
        row += separator + fields[i];
    return row + "\n";
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The simulator's devices have mask 255.255.255.0 and gateway .1 of their /24.
TEST(FleetEngineer, ADryRunListsOnlyTheFieldsThatWouldChangeAndWritesNothing) {
    Simulator sim(addresses.Block(0), {"--devices", "10"});
    ASSERT_TRUE(sim.Ready());
    const std::string moving = At(0, 1);
    const std::string moved = At(0, 101);
    const std::string regated = At(0, 2);
    const std::string asPlanned = At(0, 3);
    const std::string gateway = At(0, 1);
    const std::string newGateway = At(0, 254);
    const PlanFile plan("address;new_address;mask;gateway\n" +
                        Row(';', {moving, moved, "255.255.255.0", gateway}) +         // moves only
                        Row(';', {regated, regated, "255.255.255.0", newGateway}) +   // new gateway only
                        Row(';', {asPlanned, asPlanned, "255.255.255.0", gateway}));  // as planned

    // No terminal and no --yes: a dry run needs neither.
    const Finished json = Korvactl(With({"apply", plan.Path(), "--dry-run"}, kPatience));
    EXPECT_EQ(json.exitStatus, 0) << json.err;
    const auto records = JsonLines(json.out);
    ASSERT_EQ(records.size(), 3u) << json.out;
    EXPECT_EQ(records[0]["result"], "would_change");
    EXPECT_EQ(records[0]["changes"], (nlohmann::json{{"address", {{"from", moving}, {"to", moved}}}}));
    EXPECT_EQ(records[1]["result"], "would_change");
    EXPECT_EQ(records[1]["changes"], (nlohmann::json{{"gateway", {{"from", gateway}, {"to", newGateway}}}}));
    EXPECT_EQ(records[2]["result"], "unchanged");
    EXPECT_FALSE(records[2].contains("changes"));
    EXPECT_NE(json.err.find("  " + moving + ": address " + moving + " -> " + moved + "\n"), std::string::npos)
        << json.err;
    EXPECT_NE(json.err.find("  " + regated + ": gateway " + gateway + " -> " + newGateway + "\n"), std::string::npos)
        << json.err;
    EXPECT_EQ(json.err.find("mask"), std::string::npos) << "an unchanged field was listed: " << json.err;
    EXPECT_NE(json.err.find("korvactl apply: dry run, nothing written: 1 unchanged, 2 would change\n"),
              std::string::npos)
        << json.err;

    const Finished table = Korvactl(With({"apply", plan.Path(), "--diff", "--table"}, kPatience));
    EXPECT_EQ(table.exitStatus, 0) << table.err;
    const auto rows = Lines(table.out);
    ASSERT_EQ(rows.size(), 4u) << table.out;
    EXPECT_NE(rows[1].find("would_change          address " + moving + " -> " + moved), std::string::npos) << rows[1];
    EXPECT_NE(rows[3].find("unchanged"), std::string::npos) << rows[3];

    const Finished csv = Korvactl(With({"apply", plan.Path(), "--dry-run", "--csv"}, kPatience));
    EXPECT_EQ(csv.exitStatus, 0) << csv.err;
    EXPECT_EQ(csv.out, "address,new_address,mask,gateway,mac,result,detail\n" +
                           Row(',', {moving, moved, "255.255.255.0", gateway, "", "would_change",
                                     "address " + moving + " -> " + moved}) +
                           Row(',', {regated, regated, "255.255.255.0", newGateway, "", "would_change",
                                     "gateway " + gateway + " -> " + newGateway}) +
                           Row(',', {asPlanned, asPlanned, "255.255.255.0", gateway, "", "unchanged", ""}));

    EXPECT_GT(sim.RequestsSeen("rPr"), 0) << "the dry run read the devices";
    EXPECT_EQ(sim.RequestsSeen("wPr"), 0);
    EXPECT_EQ(sim.RequestsSeen("rst"), 0);
}

TEST(FleetEngineer, ADryRunOfAPlanThatFailsItsChecksEndsWithStatus2AndWithoutATerminalApplyAsksForYes) {
    Simulator sim(addresses.Block(0), {"--devices", "10"});
    ASSERT_TRUE(sim.Ready());
    const std::string device = At(0, 1);
    const std::string gateway = At(0, 1);
    const PlanFile inUse(Row(',', {device, At(0, 5), "255.255.255.0", gateway}));
    const Finished refused = Korvactl(With({"apply", inUse.Path(), "--dry-run"}, kPatience));
    EXPECT_EQ(refused.exitStatus, 2);
    EXPECT_NE(refused.err.find("new address " + At(0, 5) + " is in use"), std::string::npos) << refused.err;

    const PlanFile valid(Row(',', {device, At(0, 201), "255.255.255.0", gateway}));
    const Finished unasked = Korvactl(With({"apply", valid.Path()}, kPatience));
    EXPECT_EQ(unasked.exitStatus, 2);
    EXPECT_NE(unasked.err.find("korvactl apply: nothing written: no terminal to confirm on; add --yes to write, or "
                               "--dry-run to only check\n"),
              std::string::npos)
        << unasked.err;
    EXPECT_EQ(sim.RequestsSeen("wPr"), 0);

    const Finished applied = Korvactl(With({"apply", valid.Path(), "--yes", "--reset-interval", "20ms"}, kPatience));
    EXPECT_EQ(applied.exitStatus, 0) << applied.err;
    EXPECT_NE(applied.err.find("korvactl apply: 1 applied\n"), std::string::npos) << applied.err;
    EXPECT_EQ(sim.RequestsSeen("wPr"), 1);
}

TEST(FleetEngineer, ScanAndApplyShowAProgressLineOnATerminalOnly) {
    Simulator sim(addresses.Block(1), {"--devices", "20"});
    ASSERT_TRUE(sim.Ready());
    // 256 addresses at 200 a second: over a second of progress.
    const struct {
        const char* what;
        bool onTerminal;
        std::vector<std::string> options;
        bool progress;
    } cases[] = {
        {"terminal", true, {}, true},
        {"terminal, --no-progress", true, {"--no-progress"}, false},
        {"no terminal", false, {}, false},
        {"no terminal, --progress", false, {"--progress"}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<std::string> arguments = With({"scan", addresses.Block(1), "--timeout", "500ms"}, c.options);
        const Finished run = c.onTerminal ? RunWithTerminalErr(KORVACTL_PATH, arguments) : Korvactl(arguments);
        EXPECT_EQ(run.exitStatus, 0) << run.err;
        EXPECT_EQ(JsonLines(run.out).size(), 20u) << "the output holds the records and nothing else";
        EXPECT_EQ(run.err.find("korvactl scan: asking ") != std::string::npos, c.progress) << run.err;
        EXPECT_EQ(run.err.find(kRewind) != std::string::npos, c.progress) << run.err;
        if (c.progress) {
            EXPECT_NE(run.err.find("/256, "), std::string::npos) << run.err;
            // Cleared before the summary, which starts a line of its own.
            EXPECT_NE(run.err.find(std::string(kRewind) + "korvactl scan: 20 devices answered of 256 addresses"),
                      std::string::npos)
                << run.err;
        }
    }

    // Results and the line on one terminal, results as they come: each result starts a line of its own.
    korva::testing::TerminalSession both(KORVACTL_PATH, {"scan", At(1, 0) + "/27", "--order", "reply", "--rate", "20"},
                                         true);
    const Finished shared = both.Wait();
    EXPECT_EQ(shared.exitStatus, 0) << shared.err;
    int results = 0;
    for (const std::string& line : Lines(shared.err)) {
        const std::size_t result = line.find("{\"address\"");
        if (result == std::string::npos)
            continue;
        ++results;
        const std::string before = line.substr(0, result);
        EXPECT_TRUE(before.empty() || before.ends_with(kRewind)) << line;
    }
    EXPECT_EQ(results, 20);

    // Each row's new address is silent: the survey waits 1.5 s for it.
    const PlanFile plan(Row(',', {At(1, 1), At(1, 101), "255.255.255.0", At(1, 1)}) +
                        Row(',', {At(1, 2), At(1, 102), "255.255.255.0", At(1, 1)}));
    const Finished apply = RunWithTerminalErr(
        KORVACTL_PATH, With({"apply", plan.Path(), "--yes", "--reset-interval", "20ms"}, kPatience));
    EXPECT_EQ(apply.exitStatus, 0) << apply.err;
    EXPECT_NE(apply.err.find(std::string(kRewind) + "korvactl apply: asking "), std::string::npos) << apply.err;
    EXPECT_NE(apply.err.find("korvactl apply: 2 applied"), std::string::npos) << apply.err;
    EXPECT_EQ(JsonLines(apply.out).size(), 2u);

    // A sweep whose failure is told while the line shows: the line makes room for the message.
    const Finished sweep =
        RunWithTerminalErr(KORVACTL_PATH, With({"params", At(1, 5), At(1, 200), At(1, 6)}, kPatience));
    EXPECT_EQ(sweep.exitStatus, 1);
    EXPECT_NE(sweep.err.find(std::string(kRewind) + "korvactl params: asking 2/3, 2 found, 0 failed"), std::string::npos)
        << sweep.err;
    EXPECT_NE(sweep.err.find(std::string(kRewind) + "korvactl params: " + At(1, 200) + ": no reply"), std::string::npos)
        << sweep.err;
    EXPECT_NE(sweep.err.find("korvactl params: 2 answered, 1 failed"), std::string::npos) << sweep.err;
}

TEST(FleetEngineer, ASweepPrintsInTheOrderNamedEndsWithASummaryAndWritesCsv) {
    Simulator sim(addresses.Block(0), {"--devices", "10"});
    ASSERT_TRUE(sim.Ready());
    const std::string fifth = At(0, 5);
    const std::string silent = At(0, 200);
    const std::string second = At(0, 2);
    // .200 is silent: its failure comes last in reply order, in its place in input order.
    const std::vector<std::string> sweep = {"params", fifth, silent, second, "--timeout", "300ms", "--retries", "0"};
    const struct {
        std::vector<std::string> options;
        bool inputOrder;
    } cases[] = {{{}, true}, {{"--order", "input"}, true}, {{"--order", "reply"}, false}};
    for (const auto& c : cases) {
        const Finished run = Korvactl(With(sweep, c.options));
        EXPECT_EQ(run.exitStatus, 1);
        std::vector<std::string> order;
        for (const auto& record : JsonLines(run.out))
            order.push_back(record["address"]);
        ASSERT_EQ(order.size(), 3u) << run.out;
        if (c.inputOrder)
            EXPECT_EQ(order, (std::vector<std::string>{fifth, silent, second}));
        else
            EXPECT_EQ(order[2], silent) << "the two that answer come first, in either order";
        EXPECT_NE(run.err.find("korvactl params: 2 answered, 1 failed\n"), std::string::npos) << run.err;
    }

    const Finished csv = Korvactl({"params", fifth, second, "--csv"});
    EXPECT_EQ(csv.exitStatus, 0) << csv.err;
    const auto lines = Lines(csv.out);
    ASSERT_EQ(lines.size(), 3u) << csv.out;
    EXPECT_EQ(lines[0].rfind("address,received_at,", 0), 0u) << lines[0];
    EXPECT_NE(lines[0].find(",parameters.mask,"), std::string::npos) << lines[0];
    EXPECT_EQ(lines[1].rfind(fifth + ",", 0), 0u) << lines[1];
    EXPECT_NE(lines[2].find(",255.255.255.0," + At(0, 1) + ","), std::string::npos) << lines[2];

    const Finished reset = Korvactl({"reset", silent, fifth, "--timeout", "300ms", "--retries", "0"});
    EXPECT_EQ(reset.exitStatus, 1);
    EXPECT_NE(reset.err.find("korvactl reset: 1 reset, 1 failed\n"), std::string::npos) << reset.err;
    const auto results = JsonLines(reset.out);
    ASSERT_EQ(results.size(), 2u) << reset.out;
    EXPECT_EQ(results[0]["address"], silent);
    EXPECT_EQ(results[1]["reset_ack"], true) << results[1];
}

}  // namespace
}  // namespace korva::ctl::testing
