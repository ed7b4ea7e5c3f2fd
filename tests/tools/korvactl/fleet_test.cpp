// scan and apply as programs against one korva-sim serving many devices, each test on its own /24
// with devices on part of it and free addresses for them to move to.
#include "tests/support/suite_addresses.h"
#include "tests/tools/korvactl/programs.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace korva::ctl::testing {
namespace {

const korva::testing::SuiteAddresses addresses{"fleet"};

// The host'th address of the suite's block'th /24.
std::string At(unsigned block, unsigned host) {
    return addresses[block * 256 + host];
}

// Reads that must be answered get three tries of half a second: generous on a loaded machine, and the
// silent addresses a plan run asks cost no more than 1.5 s.
const std::vector<std::string> kPatience = {"--timeout", "500ms", "--retries", "2"};

class PlanFile {
public:
    explicit PlanFile(const std::string& text)
        : path_("/tmp/korvactl-plan-" + std::to_string(getpid()) + "-" + std::to_string(++made_) + ".csv") {
        std::ofstream(path_) << text;
    }
    ~PlanFile() { std::remove(path_.c_str()); }
    const std::string& Path() const { return path_; }

private:
    static inline int made_ = 0;
    std::string path_;
};

Finished Apply(const PlanFile& plan, std::vector<std::string> options = {}) {
    std::vector<std::string> arguments = {"apply", plan.Path(), "--yes", "--reset-interval", "20ms"};
    arguments.insert(arguments.end(), kPatience.begin(), kPatience.end());
    arguments.insert(arguments.end(), options.begin(), options.end());
    return Korvactl(arguments);
}

// The result of each device of an apply run, by its address in the plan.
std::map<std::string, nlohmann::json> Results(const Finished& run) {
    std::map<std::string, nlohmann::json> results;
    for (const auto& record : JsonLines(run.out))
        results[record["address"]] = record;
    return results;
}

// Twenty devices, hosts 1-20 of the second block, each to .101-.120 with a new gateway.
std::string TwentyDevicePlan() {
    std::string plan = "address,new_address,mask,gateway\n# floor 1\n\n";
    for (int i = 1; i <= 20; ++i)
        plan += At(1, i) + ',' + At(1, 100 + i) + ",255.255.255.0," + At(1, 254) + "\n";
    return plan;
}

TEST(Fleet, ScanFindsExactlyTheDevicesOfTheRangeWithTheirParameters) {
    Simulator sim(addresses.Block(0), {"--devices", "40"});
    ASSERT_TRUE(sim.Ready());
    const Finished scan = Korvactl({"scan", addresses.Block(0), "--rate", "0", "--timeout", "1s"});
    ASSERT_EQ(scan.exitStatus, 0) << scan.err;
    std::set<std::string> found;
    for (const auto& record : JsonLines(scan.out)) {
        const std::string address = record["address"];
        SCOPED_TRACE(address);
        found.insert(address);
        const std::uint32_t number = addresses.Number(std::stoul(address.substr(address.rfind('.') + 1)));
        char mac[32];
        std::snprintf(mac, sizeof mac, "00-1A-AB-%02X-%02X-%02X", number >> 16 & 0xff, number >> 8 & 0xff,
                      number & 0xff);
        EXPECT_EQ(record["parameters"]["address"], address);
        EXPECT_EQ(record["parameters"]["mask"], "255.255.255.0");
        EXPECT_EQ(record["parameters"]["gateway"], At(0, 1));
        EXPECT_EQ(record["parameters"]["mac"], mac);
        EXPECT_EQ(record["parameters"]["firmware"], "1.52 07/03/16 14:05");
        EXPECT_EQ(record["parameters"]["changed"], false);
    }
    std::set<std::string> devices;
    for (int i = 0; i < 40; ++i)
        devices.insert(At(0, i));
    EXPECT_EQ(found, devices);
    EXPECT_EQ(sim.RequestsSeen("rPr000\\r\\n"), 256) << "each address asked once";
    EXPECT_NE(scan.err.find("40 devices answered of 256 addresses asked"), std::string::npos) << scan.err;
}

TEST(Fleet, APlanOfTwentyMovesEachDeviceAndVerifiesItAndTheSamePlanAgainChangesNothing) {
    Simulator sim(addresses.Block(1), {"--devices", "30"});
    ASSERT_TRUE(sim.Ready());
    const PlanFile plan(TwentyDevicePlan());

    const Finished first = Apply(plan);
    EXPECT_EQ(first.exitStatus, 0) << first.err;
    auto results = Results(first);
    ASSERT_EQ(results.size(), 20u) << first.out;
    for (int i = 1; i <= 20; ++i) {
        const auto& result = results[At(1, i)];
        EXPECT_EQ(result["result"], "applied") << result;
        EXPECT_EQ(result["new_address"], At(1, 100 + i));
    }
    EXPECT_EQ(sim.RequestsSeen("wPr"), 20);

    // Where the devices are now, seen by a search of the whole /24.
    const Finished scan = Korvactl({"scan", addresses.Block(1), "--rate", "0"});
    std::set<std::string> found;
    for (const auto& record : JsonLines(scan.out)) {
        found.insert(record["address"]);
        if (record["address"] == At(1, 105)) {
            EXPECT_EQ(record["parameters"]["gateway"], At(1, 254));
        }
    }
    EXPECT_EQ(found.size(), 30u);
    EXPECT_TRUE(found.contains(At(1, 101)) && found.contains(At(1, 120)) && !found.contains(At(1, 1)) &&
                !found.contains(At(1, 20)) && found.contains(At(1, 21)));

    const Finished again = Apply(plan, {"--table"});
    EXPECT_EQ(again.exitStatus, 0) << again.err;
    EXPECT_EQ(sim.RequestsSeen("wPr"), 20) << "the second run wrote";
    EXPECT_EQ(sim.RequestsSeen("rst"), 20) << "the second run reset";
    std::istringstream table(again.out);
    std::string line;
    std::getline(table, line);
    EXPECT_EQ(line.rfind("ADDRESS", 0), 0u) << line;
    int unchanged = 0;
    while (std::getline(table, line))
        unchanged += line.find("  unchanged") != std::string::npos ? 1 : 0;
    EXPECT_EQ(unchanged, 20) << again.out;
}

TEST(Fleet, PlanErrorsAreRefusedBeforeAnythingIsWritten) {
    Simulator sim(addresses.Block(2), {"--devices", "10"});
    ASSERT_TRUE(sim.Ready());
    // The first line of each plan, and the second's beginning.
    const std::string first = At(2, 1) + ',' + At(2, 101) + ",255.255.255.0," + At(2, 254) + "\n";
    const std::string second = At(2, 2) + ',';
    const std::string tail = "," + At(2, 254) + "\n";
    const struct {
        const char* what;
        std::string plan;
        std::string message;
        bool asks;  // the check needs the devices' answers, so parameter requests go out (no write)
    } cases[] = {
        {"duplicate new address", first + second + At(2, 101) + ",255.255.255.0" + tail,
         "new_address " + At(2, 101) + " is also planned for " + At(2, 1) + " on line 1", false},
        {"bad mask", first + second + At(2, 102) + ",255.255.0.255" + tail, "mask 255.255.0.255 is not contiguous",
         false},
        {"address in use", first + second + At(2, 7) + ",255.255.255.0" + tail,
         "new address " + At(2, 7) + " is in use: a device answers there now", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const int asked = sim.RequestsSeen("rPr");
        const PlanFile plan(c.plan);
        const Finished run = Apply(plan);
        EXPECT_EQ(run.exitStatus, 2);
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_TRUE(run.out.empty()) << run.out;
        EXPECT_EQ(sim.RequestsSeen("rPr") > asked, c.asks);
    }
    EXPECT_EQ(sim.RequestsSeen("wPr"), 0);
    EXPECT_EQ(sim.RequestsSeen("rst"), 0);
    EXPECT_EQ(sim.RequestsSeen("snd"), 0);
}

TEST(Fleet, ALateAcknowledgementStillAppliesAndSilenceAfterTheResetIsWrittenButNotVerified) {
    // Each device acknowledges only its 5th reset command.
    Simulator sim(addresses.Block(3), {"--devices", "3", "--reset-ack-on", "5"});
    ASSERT_TRUE(sim.Ready());
    const std::string late = At(3, 1);
    const std::string leaving = At(3, 2);
    const PlanFile plan(late + ',' + At(3, 201) + ",255.255.255.0," + At(3, 254) + "\n" +
                        // A new address the simulator does not listen on: the device leaves and is not heard again.
                        leaving + ',' + At(4, 2) + ",255.255.255.0," + At(4, 254) + "\n");
    const Finished run = Apply(plan);
    EXPECT_EQ(run.exitStatus, 1);
    auto results = Results(run);
    EXPECT_EQ(results[late]["result"], "applied") << results[late];
    EXPECT_EQ(results[leaving]["result"], "written_not_verified") << results[leaving];
    EXPECT_EQ(results[leaving]["detail"], "written and reset; no reply at " + At(4, 2));
    EXPECT_GE(sim.RequestsSeen("rst"), 10) << "five reset commands for each device at least";
    EXPECT_NE(run.err.find(leaving + ": written_not_verified"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace korva::ctl::testing
