// korvactl exporter as a program: HTTP on a loopback address, korva-sim devices behind it, its command
// line, SIGTERM, HTTPS with passwords and client certificates, and its output as promtool reads it.
// The exporters listen on hosts 1-5 and 41-46 of the suite's addresses, the devices are on 21-29, 42
// and 45.
#include "tests/support/idle_connections.h"
#include "tests/support/suite_addresses.h"
#include "tests/tools/korvactl/http_get.h"
#include "tests/tools/korvactl/loopback_device.h"
#include "tests/tools/korvactl/programs.h"
#include "tests/tools/korvactl/scratch_folder.h"
#include "tests/tools/korvactl/web_credentials.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <fstream>
#include <thread>

namespace korva::ctl::testing {
namespace {

const korva::testing::SuiteAddresses addresses{"exporter_program"};

// Each exporter listens on an address of its own, so they can all take the suite's port.
const std::uint16_t httpPort = addresses.Port();

// ADDRESS:PORT for --listen.
std::string Endpoint(unsigned host) {
    return addresses[host] + ':' + std::to_string(httpPort);
}

// The value of the series in the exposition, or "" when it has none.
std::string SeriesValue(const std::string& exposition, const std::string& series) {
    const std::string start = series + " ";
    std::istringstream lines(exposition);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with(start))
            return line.substr(start.size());
    }
    return {};
}

class ExporterProgram : public ::testing::Test {
protected:
    ExporterProgram() : scratch_("korva_exporter_program_") {}
    std::string DeviceList(const std::vector<std::string>& addresses) {
        std::ofstream list(scratch_ / "devices.txt");
        list << "# the site\n";
        for (const std::string& address : addresses)
            list << address << "\n";
        return scratch_ / "devices.txt";
    }
    ScratchFolder scratch_;
};

TEST_F(ExporterProgram, ProbesOneDeviceAtATimeServesTheListedOnesOnMetricsAndStopsOnSigterm) {
    Simulator plain(addresses[21], {"--form", "plain"});
    Simulator threeLinks(addresses[22], {"--form", "150"});
    ASSERT_TRUE(plain.Ready() && threeLinks.Ready());
    ExporterProcess exporter(Endpoint(1),
                             {"-f", DeviceList({addresses[21], addresses[22], addresses[29]}), "--timeout", "300ms"});
    ASSERT_TRUE(exporter.Ready()) << exporter.Process().Err();

    const HttpReply probe = HttpGet(addresses[1], httpPort, "/probe?target=" + addresses[22]);
    ASSERT_EQ(probe.status, 200) << probe.body;
    EXPECT_EQ(SeriesValue(probe.body, "korva_up{device=\"" + addresses[22] + "\"}"), "1");
    EXPECT_EQ(SeriesValue(probe.body, "korva_battery_volts{device=\"" + addresses[22] + "\"}"), "24.4");
    EXPECT_EQ(SeriesValue(probe.body, "korva_link_up{device=\"" + addresses[22] + "\",link=\"3\"}").empty(), false);
    EXPECT_EQ(SeriesValue(probe.body, "korva_up{device=\"" + addresses[21] + "\"}"), "");  // only the one asked for
    EXPECT_EQ(plain.RequestsSeen("snd000"), 0);

    const HttpReply silent = HttpGet(addresses[1], httpPort, "/probe?target=" + addresses[29]);
    ASSERT_EQ(silent.status, 200) << silent.body;
    EXPECT_EQ(SeriesValue(silent.body, "korva_up{device=\"" + addresses[29] + "\"}"), "0");

    EXPECT_EQ(HttpGet(addresses[1], httpPort, "/probe").status, 400);
    const HttpReply home = HttpGet(addresses[1], httpPort, "/");
    EXPECT_EQ(home.status, 200);
    EXPECT_NE(home.body.find("<a href=\"/metrics\">"), std::string::npos) << home.body;
    EXPECT_NE(home.body.find("<a href=\"/probe?target="), std::string::npos) << home.body;
    EXPECT_EQ(HttpGet(addresses[1], httpPort, "/index.html").status, 404) << "only / itself";

    const HttpReply metrics = HttpGet(addresses[1], httpPort, "/metrics");
    ASSERT_EQ(metrics.status, 200) << metrics.body;
    EXPECT_EQ(SeriesValue(metrics.body, "korva_up{device=\"" + addresses[21] + "\"}"), "1");
    EXPECT_EQ(SeriesValue(metrics.body, "korva_up{device=\"" + addresses[22] + "\"}"), "1");
    EXPECT_EQ(SeriesValue(metrics.body, "korva_up{device=\"" + addresses[29] + "\"}"), "0");
    EXPECT_EQ(SeriesValue(metrics.body, "korva_link_up{device=\"" + addresses[21] + "\",link=\"2\"}"),
              "");  // plain form
    EXPECT_EQ(SeriesValue(metrics.body, "korva_exporter_probes_total{result=\"answered\"}"), "1");
    EXPECT_EQ(SeriesValue(metrics.body, "korva_exporter_probes_total{result=\"unanswered\"}"), "1");

    exporter.Process().Signal(SIGTERM);
    EXPECT_EQ(exporter.Process().Wait(), 0) << exporter.Process().Err();
    // One probe failed: its line is on standard error, for the journal.
    EXPECT_NE(exporter.Process().Err().find("korvactl exporter: probe of " + addresses[29] + " failed: no reply\n"),
              std::string::npos)
        << exporter.Process().Err();
    EXPECT_EQ(HttpGet(addresses[1], httpPort, "/metrics").status, 0);  // no longer listening
}

TEST_F(ExporterProgram, SigintEndsAProbeUnderWayAtOnce) {
    // A device that hears the requests and never answers: the probe could wait the whole hour.
    const LoopbackDevice mute(addresses[28], [](const std::string&) { return std::nullopt; });
    ExporterProcess exporter(Endpoint(2), {"--timeout", "3600s"});
    ASSERT_TRUE(exporter.Ready()) << exporter.Process().Err();
    std::thread stopOnceAsked([&] {
        while (mute.Requests().empty())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        exporter.Process().Signal(SIGINT);
    });
    const HttpReply probe = HttpGet(addresses[2], httpPort, "/probe?target=" + addresses[28]);
    stopOnceAsked.join();
    EXPECT_EQ(probe.status, 200) << probe.body;
    EXPECT_EQ(SeriesValue(probe.body, "korva_up{device=\"" + addresses[28] + "\"}"), "0");
    EXPECT_EQ(exporter.Process().Wait(), 0) << exporter.Process().Err();
}

TEST_F(ExporterProgram, RefusesABadCommandLineAndAnAddressItCannotListenOn) {
    struct Case {
        std::vector<std::string> arguments;
        int exitStatus;
        std::string message;
    };
    const Case cases[] = {
        {{"exporter"}, 2, "say where to serve: --listen ADDRESS:PORT"},
        {{"exporter", "--listen", std::to_string(httpPort)}, 2, "--listen takes ADDRESS:PORT"},
        {{"exporter", "--listen", ":" + std::to_string(httpPort)}, 2, "--listen takes ADDRESS:PORT"},
        {{"exporter", "--listen", addresses[3] + ":0"}, 2, "--listen takes ADDRESS:PORT"},
        {{"exporter", "--listen", addresses[3] + ":65536"}, 2, "--listen takes ADDRESS:PORT"},
        {{"exporter", "--listen", addresses[3] + ":"}, 2, "--listen takes ADDRESS:PORT"},
        {{"exporter", "--listen", "no such host:" + std::to_string(httpPort)},
         2,
         "cannot listen on no such host:" + std::to_string(httpPort)},
        {{"exporter", "--listen", Endpoint(3), "--retries", "1"}, 2, "exporter takes no option --retries"},
        {{"exporter", "--listen", Endpoint(3), "--timeout", "soon"}, 2, "bad value for --timeout"},
        {{"exporter", "--listen", Endpoint(3), "-f", "/"}, 2, "cannot read the device list /"},
        {{"exporter", "--listen", Endpoint(3), "--web-config", "/nonexistent/web.yml"},
         2,
         "cannot read /nonexistent/web.yml: No such file or directory"},
        {{"exporter", "--listen", Endpoint(3), "--allow-targets", "10.0.0.0/8,10.1.2.5/24"},
         2,
         "bad value for --allow-targets"},
    };
    for (const Case& c : cases) {
        const Finished run = Korvactl(c.arguments);
        EXPECT_EQ(run.exitStatus, c.exitStatus) << c.arguments.back() << ": " << run.err;
        EXPECT_NE(run.err.find("korvactl exporter: " + c.message), std::string::npos) << run.err;
    }

    ExporterProcess first(Endpoint(4));
    ASSERT_TRUE(first.Ready()) << first.Process().Err();
    const Finished second = Korvactl({"exporter", "--listen", Endpoint(4)});
    EXPECT_EQ(second.exitStatus, 1);
    EXPECT_NE(second.err.find("korvactl exporter: cannot listen on " + Endpoint(4) +
                              ": Address already in use "
                              "(another program listens there)"),
              std::string::npos)
        << second.err;
}

TEST_F(ExporterProgram, AnAddressNotOnTheMachineIsRefusedWithTheReason) {
    // Every loopback address is the machine's own, so the address is one kept for documentation: the
    // bind fails and nothing is sent. A system told to bind addresses it does not have would listen.
    std::ifstream nonLocalBind("/proc/sys/net/ipv4/ip_nonlocal_bind");
    if (int allowed = 0; !(nonLocalBind >> allowed) || allowed != 0)
        GTEST_SKIP() << "this system binds addresses it does not have";
    const Finished run = Korvactl({"exporter", "--listen", "192.0.2.1:20951"});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_NE(run.err.find("korvactl exporter: cannot listen on 192.0.2.1:20951: Cannot assign requested address "
                           "(the address is not one of this machine's)"),
              std::string::npos)
        << run.err;
}

TEST_F(ExporterProgram, IdleConnectionsDelayNoProbe) {
    Simulator device(addresses[42], {"--form", "plain"});
    ASSERT_TRUE(device.Ready());
    ExporterProcess exporter(Endpoint(41), {"--timeout", "300ms"});
    ASSERT_TRUE(exporter.Ready()) << exporter.Process().Err();
    // Each once held one of the exporter's 32 workers for 30 s, and the probe waited for a worker.
    const korva::testing::IdleConnections idle(addresses[41], httpPort, 32);
    ASSERT_EQ(idle.Count(), 32u);

    const auto start = std::chrono::steady_clock::now();
    const HttpReply probe = HttpGet(addresses[41], httpPort, "/probe?target=" + addresses[42]);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << "the probe waited for a worker";
    ASSERT_EQ(probe.status, 200) << probe.body;
    EXPECT_EQ(SeriesValue(probe.body, "korva_up{device=\"" + addresses[42] + "\"}"), "1");
}

TEST_F(ExporterProgram, TargetsThatNameNoDeviceAreRefusedWithTheReason) {
    ExporterProcess exporter(Endpoint(43));
    ASSERT_TRUE(exporter.Ready()) << exporter.Process().Err();
    struct Case {
        std::string target;  // as the query carries it
        std::string reason;
    };
    const Case cases[] = {
        {"%FF%FE", "the target '\\xFF\\xFE' is not an IPv4 address or host name"},
        {addresses[42] + "%00", "the target '" + addresses[42] + "\\x00' is not an IPv4 address or host name"},
        {addresses[42] + ":5010", "the target '" + addresses[42] + ":5010' has a colon"},
        {"%3A%3A1", "the target '::1' has a colon"},
        {"0.0.0.0", "0.0.0.0/8, which means this network"},
        {"255.255.255.255", "the broadcast address"},
        {"no%20such%20host", "cannot resolve the target 'no such host'"},
    };
    for (const Case& c : cases) {
        const HttpReply reply = HttpGet(addresses[43], httpPort, "/probe?target=" + c.target);
        EXPECT_EQ(reply.status, 400) << c.target << ": " << reply.body;
        EXPECT_NE(reply.body.find(c.reason), std::string::npos) << c.target << ": " << reply.body;
    }
}

TEST_F(ExporterProgram, ServesHttpsOnlyAndAsksEveryPathForThePassword) {
    const std::string curl = FindProgram("curl");
    if (curl.empty())
        GTEST_SKIP() << "curl is not installed (scripts/ensure-packages.sh: MONITORING_PACKAGES)";
    const WebCredentials credentials = MakeWebCredentials(scratch_.Path(), addresses[44], "prometheus", "s3cret pass");
    ASSERT_TRUE(credentials.problem.empty()) << credentials.problem;
    Simulator device(addresses[45], {"--form", "plain"});
    ASSERT_TRUE(device.Ready());
    ExporterProcess exporter(Endpoint(44), {"--web-config", credentials.webConfig, "--timeout", "300ms"});
    ASSERT_TRUE(exporter.Ready()) << exporter.Process().Err();
    EXPECT_TRUE(exporter.Process().WaitForOut("serving https://" + Endpoint(44) + "/probe"));

    struct Case {
        std::string url;
        std::string credential;  // user:password; empty: none sent
        std::string status;      // as curl writes it: 000 when no HTTP answer came
    };
    const std::string https = "https://" + Endpoint(44);
    const Case cases[] = {
        {https + "/probe?target=" + addresses[45], "prometheus:s3cret pass", "200"},
        {https + "/metrics", "prometheus:s3cret pass", "200"},
        {https + "/", "prometheus:s3cret pass", "200"},
        {https + "/metrics", "prometheus:s3cret pass", "200"},  // the credential verified before
        {https + "/metrics", "", "401"},
        {https + "/probe?target=" + addresses[45], "prometheus:s3cret", "401"},
        {https + "/metrics", "intruder:s3cret pass", "401"},
        {"http://" + Endpoint(44) + "/metrics", "prometheus:s3cret pass", "000"},  // plain HTTP is no request
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments = {"-s", "-o", scratch_ / "body", "-w", "%{http_code}", "--max-time", "5",
                                              "--cacert", credentials.caFile, c.url};
        if (!c.credential.empty())
            arguments.insert(arguments.begin(), {"-u", c.credential});
        const Finished got = RunToEnd(curl, arguments);
        EXPECT_EQ(got.out, c.status) << c.url << " as " << c.credential << ": " << got.err;
    }
    const Finished probe = RunToEnd(curl, {"-s", "-u", "prometheus:s3cret pass", "--cacert", credentials.caFile, "-D",
                                           "-", https + "/probe?target=" + addresses[45]});
    EXPECT_NE(probe.out.find("korva_up{device=\"" + addresses[45] + "\"} 1"), std::string::npos) << probe.out;
    const Finished refused = RunToEnd(curl, {"-s", "-D", "-", "--cacert", credentials.caFile, https + "/metrics"});
    EXPECT_NE(refused.out.find("WWW-Authenticate: Basic realm=\"korvactl exporter\""), std::string::npos)
        << refused.out;
}

TEST_F(ExporterProgram, RequiresAClientCertificateItsClientCaSignedWhenToldTo) {
    const std::string curl = FindProgram("curl");
    if (curl.empty())
        GTEST_SKIP() << "curl is not installed (scripts/ensure-packages.sh: MONITORING_PACKAGES)";
    const WebCredentials credentials = MakeWebCredentials(scratch_.Path(), addresses[46], "", "", true);
    ASSERT_TRUE(credentials.problem.empty()) << credentials.problem;
    ExporterProcess exporter(Endpoint(46), {"--web-config", credentials.webConfig});
    ASSERT_TRUE(exporter.Ready()) << exporter.Process().Err();
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--cert", credentials.clientCertificate, "--key", credentials.clientKey}, "200"},
        {{}, "403"},
        {{"--cert", credentials.strangerCertificate, "--key", credentials.strangerKey}, "403"},
    };
    for (const auto& [certificate, status] : cases) {
        std::vector<std::string> arguments = {"-s",
                                              "-o",
                                              "/dev/null",
                                              "-w",
                                              "%{http_code}",
                                              "--max-time",
                                              "5",
                                              "--cacert",
                                              credentials.caFile,
                                              "https://" + Endpoint(46) + "/metrics"};
        arguments.insert(arguments.begin(), certificate.begin(), certificate.end());
        const Finished got = RunToEnd(curl, arguments);
        EXPECT_EQ(got.out, status) << (certificate.empty() ? "no certificate" : certificate[1]) << ": " << got.err;
    }
}

TEST_F(ExporterProgram, PromtoolAcceptsWhatItServes) {
    const std::string promtool = FindProgram("promtool");
    if (promtool.empty())
        GTEST_SKIP() << "promtool is not installed (scripts/ensure-packages.sh: MONITORING_PACKAGES)";
    Simulator device(addresses[23], {"--form", "130"});
    ASSERT_TRUE(device.Ready());
    // Names that resolve to nothing (the blanks keep the resolver from asking a name server) are
    // served as devices that are down: their bytes reach the labels, mended.
    ExporterProcess exporter(Endpoint(5), {addresses[23], addresses[27], "no such \xFF\xFE host", "no such \x01 host",
                                           "--timeout", "300ms"});
    ASSERT_TRUE(exporter.Ready()) << exporter.Process().Err();

    for (const std::string& path :
         {"/probe?target=" + addresses[23], "/probe?target=" + addresses[27], std::string("/metrics")}) {
        const HttpReply reply = HttpGet(addresses[5], httpPort, path);
        ASSERT_EQ(reply.status, 200) << path;
        std::ofstream(scratch_ / "scrape.txt") << reply.body;
        // promtool reads the exposition from its standard input only.
        const Finished check =
            RunToEnd("/bin/sh", {"-c", "exec \"$0\" check metrics <\"$1\"", promtool, scratch_ / "scrape.txt"});
        EXPECT_EQ(check.exitStatus, 0) << path << "\n" << check.out << check.err << reply.body;
    }
}

}  // namespace
}  // namespace korva::ctl::testing
