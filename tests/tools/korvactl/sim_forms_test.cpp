// korvactl against korva-sim in each reply form: every command, the real endpoint and socket.
#include "tests/tools/korvactl/programs.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>

namespace korva::ctl::testing {
namespace {

struct Form {
    const char* option;  // korva-sim --form
    int version;         // what the replies report
    const char* address;
};

constexpr Form kForms[] = {
    {"plain", 0, "127.0.0.100"},
    {"120", 120, "127.0.0.101"},
    {"130", 130, "127.0.0.102"},
    {"150", 150, "127.0.0.103"},
};

class EveryForm : public ::testing::TestWithParam<Form> {};

TEST_P(EveryForm, StatusParamsWatchSetAndReset) {
    const Form form = GetParam();
    const std::string address = form.address;
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
    // The simulator's MAC ends in the address's last three octets: 127.0.0.100 is 00-1A-AB-00-00-64.
    char mac[32];
    std::snprintf(mac, sizeof mac, "00-1A-AB-00-00-%02X", std::stoi(address.substr(address.rfind('.') + 1)));
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
        Korvactl({"set", address, "--ip", address, "--mask", "255.255.255.0", "--gateway", "127.0.0.1", "--yes"});
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
    Simulator plain("127.0.0.104", {"--form", "plain"});
    Simulator v130("127.0.0.105", {"--form", "130"});
    ASSERT_TRUE(plain.Ready() && v130.Ready());
    const std::string list = ::testing::TempDir() + "korvactl_sim_devices.txt";
    {
        std::ofstream file(list);
        file << "# the test site\n127.0.0.105\nno such host   # unresolvable\n";
    }
    const Finished run = Korvactl({"params", "127.0.0.104", "-f", list, "--timeout", "200ms"});
    std::remove(list.c_str());
    EXPECT_EQ(run.exitStatus, 1);
    std::map<std::string, nlohmann::json> byAddress;
    for (const auto& record : JsonLines(run.out))
        byAddress[record["address"]] = record;
    ASSERT_EQ(byAddress.size(), 3u) << run.out;
    EXPECT_EQ(byAddress["127.0.0.104"]["parameters"]["address"], "127.0.0.104");
    EXPECT_EQ(byAddress["127.0.0.105"]["parameters"]["address"], "127.0.0.105");
    EXPECT_EQ(byAddress["no such host"]["error"], "Socket Error # 11001 Host not found.");
    EXPECT_NE(run.err.find("korvactl params: no such host: Socket Error # 11001 Host not found."), std::string::npos)
        << run.err;
}

TEST(KorvaSimDevices, NewAddressTakesEffectAfterTheReset) {
    // A device on .106 and a free .107 it can move to.
    Simulator sim("127.0.0.106-127.0.0.107", {"--devices", "1"});
    ASSERT_TRUE(sim.Ready());
    const Finished set = Korvactl({"set", "127.0.0.106", "--ip", "127.0.0.107", "--mask", "255.255.255.0", "--gateway",
                                   "127.0.0.1", "--yes", "--timeout", "100ms", "--retries", "0"});
    EXPECT_EQ(set.exitStatus, 0) << set.err;
    EXPECT_NE(set.err.find("written; no parameter reply from 127.0.0.107"), std::string::npos) << set.err;

    auto records = JsonLines(Korvactl({"params", "127.0.0.106"}).out);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0]["parameters"]["address"], "127.0.0.106");
    EXPECT_EQ(records[0]["parameters"]["changed"], true);

    EXPECT_EQ(Korvactl({"reset", "127.0.0.106"}).exitStatus, 0);
    records = JsonLines(Korvactl({"params", "127.0.0.107"}).out);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0]["parameters"]["address"], "127.0.0.107");
    EXPECT_EQ(records[0]["parameters"]["changed"], false);
    EXPECT_EQ(Korvactl({"params", "127.0.0.106", "--timeout", "100ms", "--retries", "0"}).exitStatus, 1)
        << "the old address still answers";
}

}  // namespace
}  // namespace korva::ctl::testing
