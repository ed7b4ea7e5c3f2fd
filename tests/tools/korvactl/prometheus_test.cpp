// A real Prometheus server scraping korvactl exporter the multi-target way (device addresses relabelled
// into /probe?target=), korva-sim devices behind it, over HTTP with every panel of the Grafana dashboard
// asked of it, and over HTTPS with a password; and promtool on the example configuration and alert
// rules in docs/prometheus. Exporters on hosts 10 and 14 of the suite's addresses, Prometheus on 11 and
// 15, devices on 21-29.
#include "tests/support/suite_addresses.h"
#include "tests/tools/korvactl/http_get.h"
#include "tests/tools/korvactl/programs.h"
#include "tests/tools/korvactl/scratch_folder.h"
#include "tests/tools/korvactl/web_credentials.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <memory>
#include <thread>

namespace korva::ctl::testing {
namespace {

const korva::testing::SuiteAddresses addresses{"prometheus"};
// Each exporter and each Prometheus server listens on an address of its own.
const std::uint16_t exporterPort = addresses.Port(0);
const std::uint16_t prometheusPort = addresses.Port(1);

// A scrape configuration of the multi-target kind: the devices are the targets, relabelled into the
// probe's target parameter, and every scrape goes to the exporter. client: lines of the scrape job
// that say how Prometheus reaches the exporter (scheme, tls_config, basic_auth), indented by four.
std::string ScrapeConfiguration(const std::string& exporter, const std::vector<std::string>& devices,
                                const std::string& client = "") {
    std::string targets;
    for (const std::string& device : devices)
        targets += (targets.empty() ? "" : ", ") + device;
    return "global:\n"
           "  scrape_interval: 1s\n"
           "  scrape_timeout: 1s\n"
           "scrape_configs:\n"
           "  - job_name: korva\n"
           "    metrics_path: /probe\n" +
           client +
           "    static_configs:\n"
           "      - targets: [" +
           targets +
           "]\n"
           "    relabel_configs:\n"
           "      - source_labels: [__address__]\n"
           "        target_label: __param_target\n"
           "      - source_labels: [__param_target]\n"
           "        target_label: instance\n"
           "      - target_label: __address__\n"
           "        replacement: " +
           exporter + "\n";
}

// A Prometheus server on a loopback address with the configuration given, its data in a scratch folder.
class PrometheusServer {
public:
    PrometheusServer(const std::string& program, const std::string& configuration, std::string address,
                     std::uint16_t port)
        : scratch_("korva_prometheus_"), address_(std::move(address)), port_(port) {
        std::ofstream(scratch_ / "prometheus.yml") << configuration;
        process_ = std::make_unique<ChildProcess>(
            program, std::vector<std::string>{"--config.file=" + scratch_ / "prometheus.yml",
                                              "--storage.tsdb.path=" + scratch_ / "data",
                                              "--web.listen-address=" + address_ + ":" + std::to_string(port_)});
    }

    // The series of a PromQL query now, by their device label; empty while there are none. problem
    // says why a query failed.
    std::map<std::string, std::string> Query(const std::string& query, std::string& problem) const {
        const HttpReply reply = HttpGet(address_, port_, "/api/v1/query?query=" + QueryValue(query));
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

    // Asks the query until it has as many series as wanted; patience, not a measurement: the first
    // scrapes come a second or two after the server starts.
    std::map<std::string, std::string> AwaitSeries(const std::string& query, std::size_t wanted,
                                                   std::string& problem) const {
        std::map<std::string, std::string> series;
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(90);
        while (std::chrono::steady_clock::now() < giveUp) {
            series = Query(query, problem);
            if (series.size() >= wanted)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
        }
        return series;
    }
    std::string Err() const { return process_->Err(); }

private:
    ScratchFolder scratch_;
    std::string address_;
    std::uint16_t port_;
    std::unique_ptr<ChildProcess> process_;
};

std::string PrometheusProgram() {
    return FindProgram("prometheus");
}

// The PromQL of every panel of the dashboard, with its variables set for the job "korva".
std::vector<std::pair<std::string, std::string>> DashboardQueries() {
    std::ifstream file(KORVA_GRAFANA_DASHBOARD);
    const auto dashboard = nlohmann::json::parse(file);
    std::vector<std::pair<std::string, std::string>> queries;
    for (const auto& panel : dashboard.at("panels")) {
        for (const auto& target : panel.at("targets")) {
            std::string expression = target.at("expr");
            for (std::size_t at; (at = expression.find("$job")) != std::string::npos;)
                expression.replace(at, 4, "korva");
            queries.emplace_back(panel.at("title"), expression);
        }
    }
    return queries;
}

TEST(Prometheus, ScrapesEachDeviceThroughTheExporterAndEveryDashboardPanelHasData) {
    const std::string prometheus = PrometheusProgram();
    if (prometheus.empty())
        GTEST_SKIP() << "prometheus is not installed (scripts/ensure-packages.sh: MONITORING_PACKAGES)";
    const std::vector<std::string> devices = {addresses[21], addresses[22], addresses[23]};
    const std::string silent = addresses[29];
    Simulator first(devices[0], {"--form", "plain"}), second(devices[1], {"--form", "130"}),
        third(devices[2], {"--form", "150"});
    ASSERT_TRUE(first.Ready() && second.Ready() && third.Ready());
    const std::string listen = addresses[10] + ':' + std::to_string(exporterPort);
    ExporterProcess exporter(listen);
    ASSERT_TRUE(exporter.Ready()) << exporter.Process().Err();

    std::vector<std::string> targets = devices;
    targets.push_back(silent);
    const PrometheusServer server(prometheus, ScrapeConfiguration(listen, targets), addresses[11], prometheusPort);

    std::string problem;
    std::map<std::string, std::string> temperatures = server.AwaitSeries("korva_temperature_celsius", devices.size(), problem);
    const std::map<std::string, std::string> up = server.AwaitSeries("korva_up", targets.size(), problem);
    for (const std::string& device : devices) {
        ASSERT_TRUE(temperatures.contains(device)) << device << " " << problem << "\n" << server.Err();
        const int celsius = std::stoi(temperatures[device]);
        EXPECT_GE(celsius, -40) << device;  // korva-sim's readings drift, within what a device reads
        EXPECT_LE(celsius, 85) << device;
        EXPECT_EQ(up.at(device), "1") << device;
    }
    EXPECT_FALSE(temperatures.contains(silent));
    EXPECT_EQ(up.at(silent), "0") << problem << "\n" << exporter.Process().Err();

    // Some panels read what only the second scrape of a device brings (Prometheus's scrape duration).
    for (const auto& [title, query] : DashboardQueries())
        EXPECT_FALSE(server.AwaitSeries(query, 1, problem).empty()) << title << ": " << query << " " << problem;
}

TEST(Prometheus, ScrapesOverHttpsWithAPassword) {
    const std::string prometheus = PrometheusProgram();
    if (prometheus.empty())
        GTEST_SKIP() << "prometheus is not installed (scripts/ensure-packages.sh: MONITORING_PACKAGES)";
    const ScratchFolder scratch("korva_prometheus_tls_");
    const WebCredentials credentials = MakeWebCredentials(scratch.Path(), addresses[14], "prometheus", "s3cret pass");
    ASSERT_TRUE(credentials.problem.empty()) << credentials.problem;
    const std::string target = addresses[24];
    Simulator device(target, {"--form", "150"});
    ASSERT_TRUE(device.Ready());
    const std::string listen = addresses[14] + ':' + std::to_string(exporterPort);
    ExporterProcess exporter(listen, {"--web-config", credentials.webConfig});
    ASSERT_TRUE(exporter.Ready()) << exporter.Process().Err();

    const std::string client = "    scheme: https\n"
                               "    tls_config:\n"
                               "      ca_file: " + credentials.caFile + "\n"
                               "    basic_auth:\n"
                               "      username: prometheus\n"
                               "      password: s3cret pass\n";
    const PrometheusServer server(prometheus, ScrapeConfiguration(listen, {target}, client), addresses[15],
                                  prometheusPort);
    std::string problem;
    const auto up = server.AwaitSeries("korva_up", 1, problem);
    EXPECT_EQ(up, (std::map<std::string, std::string>{{target, "1"}})) << problem << "\n"
                                                                       << server.Err() << exporter.Process().Err();
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
