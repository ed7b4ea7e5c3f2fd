// korvactl against korva-sim, both as programs, with the device on 127.0.0.1 and the device port 5010:
// the Windows build's program test. Under Wine a socket bound to any loopback address sends from
// 127.0.0.1, so a device anywhere else would answer from an address korvactl does not accept.
#include "tests/tools/korvactl/programs.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

namespace korva::ctl::testing {
namespace {

const std::string kDevice = "127.0.0.1";

TEST(LocalhostDevice, StatusSetAndResetAgainstTheSimulator) {
    Simulator sim(kDevice, {"--form", "150"});
    ASSERT_TRUE(sim.Ready());

    const Finished status = Korvactl({"status", kDevice});
    ASSERT_EQ(status.exitStatus, 0) << status.err;
    // Bytes as the Linux build writes them: one JSON object a line, LF alone.
    EXPECT_EQ(status.out.find('\r'), std::string::npos) << status.out;
    auto records = JsonLines(status.out);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0]["address"], kDevice);
    EXPECT_EQ(records[0]["version"], 150);
    EXPECT_EQ(records[0]["keyword"], "SND");
    EXPECT_EQ(records[0]["status"]["battery_tenths"], 244);

    const Finished set =
        Korvactl({"set", kDevice, "--ip", kDevice, "--mask", "255.255.255.0", "--gateway", "127.0.0.254", "--yes"});
    ASSERT_EQ(set.exitStatus, 0) << set.err;
    records = JsonLines(set.out);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0]["keyword"], "WPR");
    EXPECT_EQ(records[0]["changed_flag"], true);
    EXPECT_EQ(records[1]["parameters"]["changed"], true);

    const Finished reset = Korvactl({"reset", kDevice});
    ASSERT_EQ(reset.exitStatus, 0) << reset.err;
    records = JsonLines(reset.out);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0]["reset_ack"], true);
    EXPECT_EQ(records[0]["changed_flag"], false);
    EXPECT_EQ(sim.RequestsSeen("rst"), 1);
}

// A plan as Excel saves it in Portuguese (a byte order mark, ';', CR LF, quotes, a blank row, an empty
// last column): the device stays on 127.0.0.1 and takes a new gateway.
TEST(LocalhostDevice, ASpreadsheetPlanIsAppliedAsSaved) {
    Simulator sim(kDevice, {"--form", "150"});
    ASSERT_TRUE(sim.Ready());
    const std::string path = ::testing::TempDir() + "korvactl_spreadsheet_plan.csv";
    std::ofstream(path, std::ios::binary) << "\xEF\xBB\xBF"
                                             "Endere\xC3\xA7o;Novo endere\xC3\xA7o;M\xC3\xA1scara;Gateway;MAC;\r\n"
                                             "\"127.0.0.1\";\"127.0.0.1\";255.255.255.0;127.0.0.254;;\r\n"
                                             ";;;;;\r\n";
    const std::vector<std::string> apply = {"apply", path, "--yes", "--reset-interval", "20ms"};
    const Finished applied = Korvactl(apply);
    ASSERT_EQ(applied.exitStatus, 0) << applied.err;
    auto results = JsonLines(applied.out);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0]["result"], "applied");
    const Finished again = Korvactl(apply);
    EXPECT_EQ(again.exitStatus, 0) << again.err;
    results = JsonLines(again.out);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0]["result"], "unchanged");
    EXPECT_EQ(sim.RequestsSeen("wPr"), 1);
    std::remove(path.c_str());
}

TEST(LocalhostDevice, ExitStatusesAsOnLinux) {
    const struct {
        std::vector<std::string> arguments;
        int exitStatus;
        const char* saysOnError;
    } cases[] = {
        // Nobody answers on 127.0.0.1 without the simulator.
        {{"status", kDevice, "--timeout", "200ms", "--retries", "0"}, 1, ""},
        {{"status"}, 2, "korvactl"},
        {{"frobnicate"}, 2, "unknown command"},
        {{"exporter", "--listen", "127.0.0.1:20970"}, 2, "Linux"},
    };
    for (const auto& c : cases) {
        const Finished finished = Korvactl(c.arguments);
        EXPECT_EQ(finished.exitStatus, c.exitStatus) << c.arguments[0] << ": " << finished.err;
        EXPECT_NE(finished.err.find(c.saysOnError), std::string::npos) << finished.err;
    }
}

}  // namespace
}  // namespace korva::ctl::testing
