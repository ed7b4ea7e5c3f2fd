// One exporter scrape of many devices: korvactl exporter with the devices listed (-f) serves /metrics,
// which asks them all at once. Figures: the scrape's wall time (median) and the exporter's CPU time
// for it (mean), against a raw loop in this process that sends the same requests (live data and
// parameters to every device) from one socket and takes in the replies, scrapes and raw rounds taking
// turns. The devices are one korva-sim serving every loopback address from 127.3.0.0 on.
//
//   exporter_scrape_bench KORVACTL KORVA_SIM [--devices N] [--scrapes N]
// prints "key value" lines.
#include "bench/monotonic_clock.h"
#include "bench/options.h"
#include "protocol/address_text.h"
#include "protocol/messages.h"
#include "tests/support/child_process.h"
#include "tests/support/loopback_address.h"
#include "tests/support/loopback_peer.h"

#include <civetweb.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr const char* kListenAddress = "127.3.255.1";
constexpr int kListenPort = 20950;
constexpr const char* kRawLoopAddress = "127.3.255.2";

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// User and system CPU of a process, in seconds.
double ProcessCpuSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    double utime = 0, stime = 0;
    for (int i = 3; fields >> field; ++i) {  // field 3 is the state
        if (i == 14)
            utime = std::stod(field);
        if (i == 15) {
            stime = std::stod(field);
            break;
        }
    }
    return (utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// korvactl exporter serving the devices of deviceList, stopped as a service manager would.
class Exporter {
public:
    Exporter(const std::string& korvactl, const std::string& deviceList)
        : process_(korvactl, {"exporter", "--listen", std::string(kListenAddress) + ":" + std::to_string(kListenPort),
                              "-f", deviceList, "--timeout", "5s"}) {
        if (!process_.WaitForOut("serving"))
            throw std::runtime_error("the exporter did not start: " + process_.Err());
    }
    ~Exporter() {
        process_.Signal(SIGTERM);
        process_.Wait();
    }
    pid_t Pid() const { return process_.Pid(); }

private:
    korva::testing::ChildProcess process_;
};

std::string Scrape() {
    std::array<char, 256> error{};
    mg_connection* connection = mg_download(kListenAddress, kListenPort, 0, error.data(), error.size(),
                                            "GET /metrics HTTP/1.0\r\nHost: %s\r\n\r\n", kListenAddress);
    if (!connection)
        throw std::runtime_error(std::string("scrape failed: ") + error.data());
    std::string body;
    std::array<char, 65536> chunk{};
    for (int got; (got = mg_read(connection, chunk.data(), chunk.size())) > 0;)
        body.append(chunk.data(), static_cast<std::size_t>(got));
    mg_close_connection(connection);
    return body;
}

int CountAnswered(const std::string& exposition) {
    int answered = 0;
    std::istringstream lines(exposition);
    for (std::string line; std::getline(lines, line);)
        answered += line.starts_with("korva_up{") && line.ends_with("} 1");
    return answered;
}

// Sends a live-data and a parameter request to every device from one socket (with the endpoint's
// receive buffer), taking in the replies that wait after each send as sweep_floor does, then takes in
// the rest until all came or none came for a second. Returns the replies.
int RawRound(const korva::testing::LoopbackPeer& peer, const std::vector<sockaddr_in>& devices) {
    const std::string liveData = korva::BuildLiveDataRequest();
    const std::string parameters = korva::BuildParameterRequest(false);
    std::size_t received = 0;
    for (const sockaddr_in& device : devices) {
        for (const std::string* request : {&liveData, &parameters})
            peer.TrySend(device, *request);
        received += peer.Discard(std::chrono::milliseconds(0));
    }
    const std::size_t expected = devices.size() * 2;
    while (received < expected) {
        const std::size_t taken = peer.Discard(std::chrono::seconds(1));
        if (taken == 0)
            break;
        received += taken;
    }
    return static_cast<int>(received);
}

}  // namespace

// korva-sim answering on count addresses from 127.3.0.0 on, started and stopped with the benchmark.
class Simulator {
public:
    Simulator(const std::string& korvaSim, int count)
        : process_(korvaSim, {"--address", "127.3.0.0-" + korva::Ipv4Text(kFirstDevice + static_cast<std::uint32_t>(
                                                                          count - 1))}) {
        for (int i = 0; i < count; ++i)
            addresses_.push_back(korva::Ipv4Text(kFirstDevice + static_cast<std::uint32_t>(i)));
        if (!process_.WaitForOut("answering"))
            throw std::runtime_error("korva-sim did not start: " + process_.Err());
    }
    ~Simulator() {
        process_.Signal(SIGTERM);
        process_.Wait();
    }
    const std::vector<std::string>& Addresses() const { return addresses_; }

private:
    static constexpr std::uint32_t kFirstDevice = 0x7F030000;
    korva::testing::ChildProcess process_;
    std::vector<std::string> addresses_;
};

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: exporter_scrape_bench KORVACTL KORVA_SIM [--devices N] [--scrapes N]\n";
        return 2;
    }
    const std::string korvactl = argv[1];
    int deviceCount = 1000, scrapes = 11;
    korva::bench::ReadOptions(argc, argv, 3,
                              {{"--devices", [&](const std::string& value) { deviceCount = std::stoi(value); }},
                               {"--scrapes", [&](const std::string& value) { scrapes = std::stoi(value); }}});
    mg_init_library(0);
    const Simulator fleet(argv[2], deviceCount);
    const std::string list = "/tmp/exporter_scrape_bench_" + std::to_string(getpid()) + ".txt";
    {
        std::ofstream out(list);
        for (const std::string& address : fleet.Addresses())
            out << address << "\n";
    }

    korva::testing::LoopbackPeer raw(kRawLoopAddress);
    raw.SetReceiveBuffer(4 << 20);
    std::vector<sockaddr_in> devices;
    for (const std::string& address : fleet.Addresses())
        devices.push_back(korva::testing::LoopbackAddress(address, korva::kDevicePort));

    std::vector<double> scrapeMs, rawMs;
    double cpuMsPerScrape = 0;
    int fewestAnswered = deviceCount;
    int fewestRawReplies = deviceCount * 2;
    std::size_t bytes = 0;
    {
        const Exporter exporter(korvactl, list);
        Scrape();  // the first scrape pays for the exporter's start-up, as no later one does
        RawRound(raw, devices);
        // The system counts CPU time in clock ticks (10 ms): one scrape's share is the whole run's mean.
        double cpuSeconds = 0;
        // Scrapes and raw rounds take turns, so that both meet the machine as it is at the moment.
        for (int i = 0; i < scrapes; ++i) {
            const double cpuBefore = ProcessCpuSeconds(exporter.Pid());
            auto start = korva::bench::MonotonicNanoseconds();
            const std::string body = Scrape();
            scrapeMs.push_back(static_cast<double>(korva::bench::MonotonicNanoseconds() - start) / 1e6);
            cpuSeconds += ProcessCpuSeconds(exporter.Pid()) - cpuBefore;
            fewestAnswered = std::min(fewestAnswered, CountAnswered(body));
            bytes = body.size();

            start = korva::bench::MonotonicNanoseconds();
            fewestRawReplies = std::min(fewestRawReplies, RawRound(raw, devices));
            rawMs.push_back(static_cast<double>(korva::bench::MonotonicNanoseconds() - start) / 1e6);
        }
        cpuMsPerScrape = cpuSeconds * 1000 / scrapes;
    }
    std::remove(list.c_str());

    std::cout << "devices " << deviceCount << "\n"
              << "scrapes " << scrapes << "\n"
              << "scrape_ms " << Median(scrapeMs) << "\n"
              << "scrape_ms_max " << *std::max_element(scrapeMs.begin(), scrapeMs.end()) << "\n"
              << "exporter_cpu_ms " << cpuMsPerScrape << "\n"
              << "answered_fewest " << fewestAnswered << "\n"
              << "exposition_bytes " << bytes << "\n"
              << "raw_ms " << Median(rawMs) << "\n"
              << "raw_replies_fewest " << fewestRawReplies << "\n";
    return 0;
}
