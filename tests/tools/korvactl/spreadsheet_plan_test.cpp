// A plan as Excel saves it in Portuguese, applied by korvactl against korva-sim: a byte order mark,
// semicolons, CR LF, quotes, a blank row, an empty last column and the header's own words.
#include "tests/support/suite_addresses.h"
#include "tests/tools/korvactl/programs.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

namespace korva::ctl::testing {
namespace {

const korva::testing::SuiteAddresses addresses{"spreadsheet_plan"};

TEST(SpreadsheetPlan, IsAppliedAsSavedAndAgainChangesNothing) {
    Simulator sim(addresses.Block(), {"--devices", "10"});
    ASSERT_TRUE(sim.Ready());
    const std::string path = ::testing::TempDir() + "korvactl_spreadsheet_" + std::to_string(getpid()) + ".csv";
    const std::string gateway = addresses[1];
    // The MAC of the device on host 5, without the leading zeros and in lower case.
    const std::uint32_t fifth = addresses.Number(5);
    char mac[32];
    std::snprintf(mac, sizeof mac, "0:1a:ab:%x:%x:%x", fifth >> 16 & 0xff, fifth >> 8 & 0xff, fifth & 0xff);
    std::ofstream(path, std::ios::binary)
        << "\xEF\xBB\xBF"
           "Endere\xC3\xA7o;Novo endere\xC3\xA7o;M\xC3\xA1scara;Gateway;MAC;\r\n"
        << '"' << addresses[4] << "\";\"" << addresses[104] << "\";\"255.255.255.0\";\"" << gateway << "\";;\r\n"
        << ";;;;;\r\n"
        << addresses[5] << ';' << addresses[105] << ";255.255.255.0;" << gateway << ';' << mac << ";\r\n";
    const std::vector<std::string> apply = {"apply", path, "--yes", "--reset-interval", "20ms", "--timeout", "500ms"};

    const Finished first = Korvactl(apply);
    EXPECT_EQ(first.exitStatus, 0) << first.err;
    auto results = JsonLines(first.out);
    ASSERT_EQ(results.size(), 2u) << first.out;
    EXPECT_EQ(results[0]["result"], "applied");
    EXPECT_EQ(results[1]["result"], "applied");
    EXPECT_EQ(results[1]["mac"], mac);
    EXPECT_NE(first.err.find("korvactl apply: 2 applied\n"), std::string::npos) << first.err;
    EXPECT_EQ(sim.RequestsSeen("wPr"), 2);

    const Finished again = Korvactl(apply);
    EXPECT_EQ(again.exitStatus, 0) << again.err;
    results = JsonLines(again.out);
    ASSERT_EQ(results.size(), 2u) << again.out;
    EXPECT_EQ(results[0]["result"], "unchanged");
    EXPECT_EQ(results[1]["result"], "unchanged");
    EXPECT_EQ(sim.RequestsSeen("wPr"), 2) << "nothing written the second time";

    // The header's words name the column of a refused value.
    std::ofstream(path, std::ios::binary)
        << "Endere\xC3\xA7o;Novo endere\xC3\xA7o;M\xC3\xA1scara;Gateway\r\n"
        << addresses[6] << ';' << addresses[106] << ";255.0.255.0;" << gateway << "\r\n";
    const Finished refused = Korvactl(apply);
    EXPECT_EQ(refused.exitStatus, 2);
    EXPECT_EQ(refused.err, "korvactl apply: line 2 (" + addresses[6] +
                               "): M\xC3\xA1scara 255.0.255.0 is not contiguous (ones, then zeros)\n"
                               "korvactl apply: nothing sent\n");
    std::remove(path.c_str());
}

}  // namespace
}  // namespace korva::ctl::testing
