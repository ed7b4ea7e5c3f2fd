// korvactl against korva-sim in each reply form: every command, the real endpoint and socket.
#include "tests/support/suite_addresses.h"
#include "tests/tools/korvactl/programs.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>

namespace korva::ctl::testing {
namespace {

const korva::testing::SuiteAddresses addresses{"sim_forms"};

struct Form {
    const char* option;  // korva-sim --form
    int version;         // what the replies report
    unsigned host;       // of the suite's addresses
};

constexpr Form kForms[] = {
    {"plain", 0, 100},
    {"120", 120, 101},
    {"130", 130, 102},
    {"150", 150, 103},
};

class EveryForm : public ::testing::TestWithParam<Form> {};

TEST_P(EveryForm, StatusParamsWatchSetAndReset) {
    const Form form = GetParam();
    const std::string address = addresses[form.host];
    Simulator sim(address, {"--form", form.option});
    ASSERT_TRUE(sim.Ready());

    const Finished status = Korvactl({"status", address});
    ASSERT_EQ(status.exitStatus, 0) << status.err;
    auto records = JsonLines(status.out);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0]["address"], address);
    EXPECT_EQ(records[0]["version"], form.version);
    EXPECT_EQ(records[0]["keyword"], "SND");
    EXPECT_EQ(records[0]["status"]["link2"].is_null(), form.version < 150);
    EXPECT_EQ(records[0]["status"]["battery_tenths"], 244);

    const Finished params = Korvactl({"params", address});
    ASSERT_EQ(params.exitStatus, 0) << params.err;
    records = JsonLines(params.out);
    ASSERT_EQ(records.size(), 1u);
    // Version 130 sends the address as hexadecimal octets; every form reads back as decimal.
    EXPECT_EQ(records[0]["parameters"]["address"], address);
    // The simulator's MAC ends in the address's last three octets, in hexadecimal.
    const std::uint32_t number = addresses.Number(form.host);
    char mac[32];
    std::snprintf(mac, sizeof mac, "00-1A-AB-%02X-%02X-%02X", number >> 16 & 0xff, number >> 8 & 0xff, number & 0xff);
    EXPECT_EQ(records[0]["parameters"]["mac"], mac);
    EXPECT_EQ(records[0]["parameters"]["firmware"], "1.52 07/03/16 14:05");
    EXPECT_EQ(records[0]["parameters"]["changed"], false);

    const Finished watch = Korvactl({"watch", address, "--interval", "200ms", "--count", "3"});
    ASSERT_EQ(watch.exitStatus, 0) << watch.err;
    int statusReplies = 0;
    int parameterReplies = 0;
    for (const auto& record : JsonLines(watch.out)) {
        statusReplies += record["keyword"] == "SND";
        parameterReplies += record["keyword"] == "RPR";
    }
    EXPECT_EQ(statusReplies, 3);
    EXPECT_EQ(parameterReplies, 1);
    EXPECT_EQ(sim.RequestsSeen("rPr000\\r\\n"), 1);  // the automatic request, until its reply came

    const Finished set =
        Korvactl({"set", address, "--ip", address, "--mask", "255.255.255.0", "--gateway", addresses[1], "--yes"});
    ASSERT_EQ(set.exitStatus, 0) << set.err;
    records = JsonLines(set.out);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0]["keyword"], "WPR");
    EXPECT_EQ(records[0]["changed_flag"], true);  // written, in force after the reset
    EXPECT_EQ(records[1]["parameters"]["changed"], true);

    const Finished reset = Korvactl({"reset", address});
    ASSERT_EQ(reset.exitStatus, 0) << reset.err;
    records = JsonLines(reset.out);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0]["reset_ack"], true);
    EXPECT_EQ(records[0]["reset_commands"], 1);
    EXPECT_EQ(records[0]["changed_flag"], false);

    const Finished table = Korvactl({"status", address, "--table"});
    ASSERT_EQ(table.exitStatus, 0) << table.err;
    EXPECT_EQ(table.out.rfind("ADDRESS", 0), 0u) << table.out;
    EXPECT_NE(table.out.find("\n" + address + " "), std::string::npos) << table.out;
}

INSTANTIATE_TEST_SUITE_P(KorvaSim, EveryForm, ::testing::ValuesIn(kForms), [](const auto& info) {
    return std::string(info.param.option == std::string("plain") ? "plain" : "v") +
           (info.param.version ? std::to_string(info.param.version) : "");
});

TEST(KorvaSimDevices, SeveralFormsAtOnceFromOneCommandAndAFile) {
    const std::string plainDevice = addresses[104];
    const std::string v130Device = addresses[105];
    Simulator plain(plainDevice, {"--form", "plain"});
    Simulator v130(v130Device, {"--form", "130"});
    ASSERT_TRUE(plain.Ready() && v130.Ready());
    const std::string list = ::testing::TempDir() + "korvactl_sim_devices.txt";
    {
        std::ofstream file(list);
        file << "# the test site\n" << v130Device << "\nno such host   # unresolvable\n";
    }
    const Finished run = Korvactl({"params", plainDevice, "-f", list, "--timeout", "200ms"});
    std::remove(list.c_str());
    EXPECT_EQ(run.exitStatus, 1);
    std::map<std::string, nlohmann::json> byAddress;
    for (const auto& record : JsonLines(run.out))
        byAddress[record["address"]] = record;
    ASSERT_EQ(byAddress.size(), 3u) << run.out;
    EXPECT_EQ(byAddress[plainDevice]["parameters"]["address"], plainDevice);
    EXPECT_EQ(byAddress[v130Device]["parameters"]["address"], v130Device);
    EXPECT_EQ(byAddress["no such host"]["error"], "Socket Error # 11001 Host not found.");
    EXPECT_NE(run.err.find("korvactl params: no such host: Socket Error # 11001 Host not found."), std::string::npos)
        << run.err;
}

TEST(KorvaSimDevices, NewAddressTakesEffectAfterTheReset) {
    // A device on .106 and a free .107 it can move to.
    const std::string device = addresses[106];
    const std::string freeAddress = addresses[107];
    Simulator sim(addresses.Range(106, 107), {"--devices", "1"});
    ASSERT_TRUE(sim.Ready());
    const Finished set = Korvactl({"set", device, "--ip", freeAddress, "--mask", "255.255.255.0", "--gateway",
                                   addresses[1], "--yes", "--timeout", "100ms", "--retries", "0"});
    EXPECT_EQ(set.exitStatus, 0) << set.err;
    EXPECT_NE(set.err.find("written; no parameter reply from " + freeAddress), std::string::npos) << set.err;

    auto records = JsonLines(Korvactl({"params", device}).out);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0]["parameters"]["address"], device);
    EXPECT_EQ(records[0]["parameters"]["changed"], true);

    EXPECT_EQ(Korvactl({"reset", device}).exitStatus, 0);
    records = JsonLines(Korvactl({"params", freeAddress}).out);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0]["parameters"]["address"], freeAddress);
    EXPECT_EQ(records[0]["parameters"]["changed"], false);
    EXPECT_EQ(Korvactl({"params", device, "--timeout", "100ms", "--retries", "0"}).exitStatus, 1)
        << "the old address still answers";
}

}  // namespace
}  // namespace korva::ctl::testing
