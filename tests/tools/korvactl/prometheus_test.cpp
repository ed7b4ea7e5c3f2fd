// A real Prometheus server scraping korvactl exporter the multi-target way (device addresses relabelled
// into /probe?target=), korva-sim devices behind it; and promtool on the example configuration and alert
// rules in docs/prometheus. Loopback addresses 127.0.20.10-11 (HTTP, ports 20920-20921) and 127.0.22.x.
#include "tests/tools/korvactl/http_get.h"
#include "tests/tools/korvactl/programs.h"
#include "tests/tools/korvactl/scratch_folder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <thread>

namespace korva::ctl::testing {
namespace {

constexpr const char* kExporter = "127.0.20.10:20920";
constexpr const char* kPrometheusAddress = "127.0.20.11";
constexpr std::uint16_t kPrometheusPort = 20921;

std::string ScrapeConfiguration(const std::vector<std::string>& devices) {
    std::string targets;
    for (const std::string& device : devices)
        targets += (targets.empty() ? "" : ", ") + device;
    return std::string(
               "global:\n"
               "  scrape_interval: 1s\n"
               "  scrape_timeout: 1s\n"
               "scrape_configs:\n"
               "  - job_name: korva\n"
               "    metrics_path: /probe\n"
               "    static_configs:\n"
               "      - targets: [") +
           targets +
           "]\n"
           "    relabel_configs:\n"
           "      - source_labels: [__address__]\n"
           "        target_label: __param_target\n"
           "      - source_labels: [__param_target]\n"
           "        target_label: instance\n"
           "      - target_label: __address__\n"
           "        replacement: " +
           kExporter + "\n";
}

// device → value of every series of the metric Prometheus holds now; empty while it has none.
std::map<std::string, std::string> Query(const std::string& metric, std::string& problem) {
    const HttpReply reply = HttpGet(kPrometheusAddress, kPrometheusPort, "/api/v1/query?query=" + QueryValue(metric));
    std::map<std::string, std::string> byDevice;
    if (reply.status != 200) {
        problem = "HTTP " + std::to_string(reply.status) + ": " + reply.body;
        return byDevice;
    }
    const auto answer = nlohmann::json::parse(reply.body);
    for (const auto& series : answer["data"]["result"])
        byDevice[series["metric"].value("device", "")] = series["value"][1];
    return byDevice;
}

TEST(Prometheus, ScrapesEachDeviceThroughTheExporterAndSeesTheSilentOneDown) {
    const std::string prometheus = FindProgram("prometheus");
    if (prometheus.empty())
        GTEST_SKIP() << "prometheus is not installed (scripts/ensure-packages.sh: MONITORING_PACKAGES)";
    const std::vector<std::string> devices = {"127.0.22.1", "127.0.22.2", "127.0.22.3"};
    const std::string silent = "127.0.22.9";
    Simulator first(devices[0], {"--form", "plain"}), second(devices[1], {"--form", "130"}),
        third(devices[2], {"--form", "150"});
    ASSERT_TRUE(first.Ready() && second.Ready() && third.Ready());
    ExporterProcess exporter(kExporter);
    ASSERT_TRUE(exporter.Ready()) << exporter.Process().Err();

    const ScratchFolder scratch("korva_prometheus_");
    std::vector<std::string> targets = devices;
    targets.push_back(silent);
    std::ofstream(scratch / "prometheus.yml") << ScrapeConfiguration(targets);
    ChildProcess server(
        prometheus,
        {"--config.file=" + scratch / "prometheus.yml", "--storage.tsdb.path=" + scratch / "data",
         "--web.listen-address=" + std::string(kPrometheusAddress) + ":" + std::to_string(kPrometheusPort)});

    // Patience, not a measurement: the first scrapes come a second or two after the server starts.
    std::map<std::string, std::string> temperatures, up;
    std::string problem;
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(90);
    while (std::chrono::steady_clock::now() < giveUp) {
        temperatures = Query("korva_temperature_celsius", problem);
        up = Query("korva_up", problem);
        if (temperatures.size() == devices.size() && up.size() == targets.size())
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }

    for (const std::string& device : devices) {
        ASSERT_TRUE(temperatures.contains(device)) << device << " " << problem << "\n" << server.Err();
        const int celsius = std::stoi(temperatures[device]);
        EXPECT_GE(celsius, -40) << device;  // korva-sim's readings drift, within what a device reads
        EXPECT_LE(celsius, 85) << device;
        EXPECT_EQ(up[device], "1") << device;
    }
    EXPECT_FALSE(temperatures.contains(silent));
    EXPECT_EQ(up[silent], "0") << problem << "\n" << exporter.Process().Err();
}

class ExampleConfiguration : public ::testing::Test {
protected:
    void SetUp() override {
        promtool_ = FindProgram("promtool");
        if (promtool_.empty())
            GTEST_SKIP() << "promtool is not installed (scripts/ensure-packages.sh: MONITORING_PACKAGES)";
    }
    Finished Promtool(const std::vector<std::string>& arguments) {
        // promtool finds the rule files named in a configuration relative to the configuration's folder.
        std::vector<std::string> all = {"-C", KORVA_PROMETHEUS_EXAMPLES, promtool_};
        all.insert(all.end(), arguments.begin(), arguments.end());
        return RunToEnd("/usr/bin/env", all);
    }
    std::string promtool_;
};

TEST_F(ExampleConfiguration, PromtoolAcceptsTheScrapeConfigurationAndTheAlertRules) {
    const Finished config = Promtool({"check", "config", "prometheus.yml"});
    EXPECT_EQ(config.exitStatus, 0) << config.out << config.err;
    EXPECT_NE(config.out.find("1 rule files found"), std::string::npos) << config.out;
    const Finished rules = Promtool({"check", "rules", "korva-alerts.yml"});
    EXPECT_EQ(rules.exitStatus, 0) << rules.out << rules.err;
    EXPECT_NE(rules.out.find("3 rules found"), std::string::npos) << rules.out;
}

TEST_F(ExampleConfiguration, TheAlertsFireOnADeviceDownALowBatteryAndALinkThatWentDownAndOnNothingElse) {
    const Finished tested = Promtool({"test", "rules", "korva-alerts.test.yml"});
    EXPECT_EQ(tested.exitStatus, 0) << tested.out << tested.err;
}

}  // namespace
}  // namespace korva::ctl::testing
