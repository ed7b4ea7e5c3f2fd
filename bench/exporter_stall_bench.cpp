// The exporter against clients that hold connections, bursts of probes and targets spelt many ways:
// korvactl exporter on 127.0.45.1:20960 with the unit's 8192 descriptors, one simulated device on
// 127.0.45.2 behind it, silent targets on 127.0.46.0-127.0.57.255.
// Figures: how long a probe of the device takes while 0, 32 and 500 connections that send nothing are
// held, while 1,500 connections each send their request a byte every 100 ms, and while 1,100 probes of
// silent targets wait for their devices (median and longest of the rounds; each round sets the load up
// afresh and times the probe sent after it); the exporter's resident memory before and after 3,000
// probes of silent targets at once; and its resident memory at start and after one probe for each of N
// spellings of the device's address: first the spellings with 1 to N leading zeros, then N that fit in
// a host name (zeros before the first three numbers), then N more of those.
//
//   exporter_stall_bench KORVACTL [--rounds N] [--spellings N] [--patience SECONDS]
// prints "key value" lines; a probe that takes longer than the patience counts as the patience.
#include "bench/loopback_fleet.h"
#include "bench/monotonic_clock.h"
#include "bench/options.h"
#include "tests/support/child_process.h"
#include "tests/support/http_burst.h"
#include "tests/support/process_memory.h"
#include "tests/support/idle_connections.h"
#include "tests/support/loopback_address.h"

#include <signal.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <functional>
#include <iostream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr const char* kListenAddress = "127.0.45.1";
constexpr std::uint16_t kListenPort = 20960;
constexpr const char* kDevice = "127.0.45.2";

// The HTTP status of GET path, or 0 when no whole answer came within patience.
int Get(const std::string& path, std::chrono::seconds patience) {
    const sockaddr_in server = korva::testing::LoopbackAddress(kListenAddress, kListenPort);
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    // Bounds the connect as well as each read.
    const timeval wait{static_cast<time_t>(patience.count()), 0};
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof wait);
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    std::string answer;
    if (connect(fd, reinterpret_cast<const sockaddr*>(&server), sizeof server) == 0) {
        const std::string request = "GET " + path + " HTTP/1.0\r\nHost: " + kListenAddress + "\r\n\r\n";
        if (send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size())) {
            char chunk[4096];
            for (ssize_t got; (got = recv(fd, chunk, sizeof chunk, 0)) > 0;)
                answer.append(chunk, static_cast<std::size_t>(got));
        }
    }
    close(fd);
    return answer.starts_with("HTTP/1.1 ") ? std::stoi(answer.substr(9, 3)) : 0;
}

double Milliseconds(std::int64_t from) {
    return static_cast<double>(korva::bench::MonotonicNanoseconds() - from) / 1e6;
}

// Run as the unit runs it: with LimitNOFILE=8192.
class Exporter {
public:
    explicit Exporter(const std::string& korvactl)
        : process_("/usr/bin/prlimit", {"--nofile=8192", korvactl, "exporter", "--listen",
                                        std::string(kListenAddress) + ":" + std::to_string(kListenPort), "--timeout",
                                        "1s"}) {
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

struct Latency {
    double median = 0, longest = 0;
    int unanswered = 0;
};

// Times one probe of the device in each round, the load that setUp starts held meanwhile.
Latency ProbeUnder(const std::function<std::function<void()>()>& setUp, int rounds, std::chrono::seconds patience) {
    std::vector<double> times;
    Latency latency;
    for (int round = 0; round < rounds; ++round) {
        const std::function<void()> tearDown = setUp();
        const auto start = korva::bench::MonotonicNanoseconds();
        if (Get(std::string("/probe?target=") + kDevice, patience) != 200)
            ++latency.unanswered;
        times.push_back(std::min(Milliseconds(start), patience.count() * 1000.0));
        tearDown();
    }
    std::sort(times.begin(), times.end());
    latency.median = times[times.size() / 2];
    latency.longest = times.back();
    return latency;
}

std::function<std::function<void()>()> IdleLoad(std::size_t count) {
    return [count] {
        auto idle = std::make_shared<korva::testing::IdleConnections>(kListenAddress, kListenPort, count);
        if (idle->Count() != count)
            throw std::runtime_error("only " + std::to_string(idle->Count()) + " idle connections");
        // Time for the exporter to take them in, as a client that opened them a while ago would leave them.
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        return [idle] {};
    };
}

// Connections that each send a request one byte every 100 ms and open again when the server closes
// them, as a slow-client attack holds them.
class TricklingConnections {
public:
    explicit TricklingConnections(std::size_t count) : fds_(count, -1), sent_(count, 0) {
        thread_ = std::thread([this] {
            const std::string request = "GET /metrics HTTP/1.1\r\nHost: 127.0.45.1\r\nX-Slow: ";
            while (!stop_) {
                for (std::size_t i = 0; i < fds_.size(); ++i) {
                    if (fds_[i] < 0)
                        Open(i);
                    const char byte = sent_[i] < request.size() ? request[sent_[i]] : 'x';
                    if (send(fds_[i], &byte, 1, MSG_NOSIGNAL | MSG_DONTWAIT) == 1) {
                        ++sent_[i];
                    } else if (errno != EAGAIN) {
                        close(fds_[i]);
                        fds_[i] = -1;
                        ++reopened_;
                    }
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
        });
    }
    ~TricklingConnections() {
        stop_ = true;
        thread_.join();
        for (const int fd : fds_) {
            if (fd >= 0)
                close(fd);
        }
    }
    std::size_t Reopened() const { return reopened_; }

private:
    void Open(std::size_t i) {
        const sockaddr_in server = korva::testing::LoopbackAddress(kListenAddress, kListenPort);
        fds_[i] = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        connect(fds_[i], reinterpret_cast<const sockaddr*>(&server), sizeof server);
        sent_[i] = 0;
    }

    std::vector<int> fds_;
    std::vector<std::size_t> sent_;
    std::atomic<bool> stop_{false};
    std::atomic<std::size_t> reopened_{0};
    std::thread thread_;
};

// Probes of count silent targets, all sent at once from a thread of their own.
std::vector<std::string> SilentProbes(int count) {
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i)
        paths.push_back("/probe?target=127.0." + std::to_string(46 + i / 256) + "." + std::to_string(i % 256));
    return paths;
}

// Probes every spelling; returns how many were answered 200.
int ProbeSpellings(const std::vector<std::string>& spellings) {
    int answered = 0;
    for (const std::string& spelling : spellings)
        answered += Get("/probe?target=" + spelling, std::chrono::seconds(10)) == 200;
    return answered;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: exporter_stall_bench KORVACTL [--rounds N] [--spellings N] [--patience SECONDS]\n";
        return 2;
    }
    int rounds = 3, spellingCount = 12000, patienceSeconds = 60;
    korva::bench::ReadOptions(argc, argv, 2,
                              {{"--rounds", [&](const std::string& value) { rounds = std::stoi(value); }},
                               {"--spellings", [&](const std::string& value) { spellingCount = std::stoi(value); }},
                               {"--patience", [&](const std::string& value) { patienceSeconds = std::stoi(value); }}});
    const korva::bench::LoopbackFleet device(kDevice, 1);
    const Exporter exporter(argv[1]);
    const std::chrono::seconds patience(patienceSeconds);

    korva::testing::RaiseDescriptorLimit();
    const auto print = [](const std::string& load, const Latency& latency) {
        std::cout << "probe_ms_" << load << " " << latency.median << "\n"
                  << "probe_ms_" << load << "_max " << latency.longest << "\n"
                  << "probe_unanswered_" << load << " " << latency.unanswered << "\n";
    };
    for (const std::size_t idle : {0, 32, 500})
        print("idle_" + std::to_string(idle), ProbeUnder(IdleLoad(idle), rounds, patience));
    std::size_t reopened = 0;
    print("trickling_1500", ProbeUnder(
                                [&reopened] {
                                    auto trickling = std::make_shared<TricklingConnections>(1500);
                                    std::this_thread::sleep_for(std::chrono::seconds(1));
                                    return [trickling, &reopened] { reopened += trickling->Reopened(); };
                                },
                                rounds, patience));
    std::cout << "trickling_closed_by_the_exporter " << reopened << "\n";
    print("silent_1100", ProbeUnder(
                             [] {
                                 auto burst = std::make_shared<std::thread>([] {
                                     korva::testing::GetAll(kListenAddress, kListenPort, SilentProbes(1100),
                                                            std::chrono::seconds(30));
                                 });
                                 // The burst's connections are taken and its probes wait for their devices.
                                 std::this_thread::sleep_for(std::chrono::milliseconds(300));
                                 return [burst] { burst->join(); };
                             },
                             rounds, patience));

    const long beforeBurst = korva::testing::ResidentKilobytes(exporter.Pid());
    int burstAnswered = 0;
    for (const auto& answer :
         korva::testing::GetAll(kListenAddress, kListenPort, SilentProbes(3000), std::chrono::seconds(60)))
        burstAnswered += answer.status == 200;
    std::cout << "rss_kb_before_burst " << beforeBurst << "\n"
              << "burst_3000_answered " << burstAnswered << "\n"
              << "rss_kb_after_burst " << korva::testing::ResidentKilobytes(exporter.Pid()) << "\n";

    const auto zeros = [](int count) { return std::string(static_cast<std::size_t>(count), '0'); };
    std::vector<std::string> longSpellings, shortSpellings, moreShortSpellings;
    for (int i = 1; i <= spellingCount; ++i) {
        longSpellings.push_back(zeros(i) + kDevice);
        // Zeros before the first three numbers, at most 99 before each.
        for (const int n : {i, spellingCount + i}) {
            (n <= spellingCount ? shortSpellings : moreShortSpellings)
                .push_back(zeros(n % 100) + "127." + zeros(n / 100 % 100) + "0." + zeros(n / 10000) + "45.2");
        }
    }
    std::cout << "rss_kb_start " << korva::testing::ResidentKilobytes(exporter.Pid()) << "\n";
    std::cout << "long_spellings_answered " << ProbeSpellings(longSpellings) << "\n"
              << "rss_kb_after_long_spellings " << korva::testing::ResidentKilobytes(exporter.Pid()) << "\n";
    std::cout << "short_spellings_answered " << ProbeSpellings(shortSpellings) << "\n"
              << "rss_kb_after_short_spellings " << korva::testing::ResidentKilobytes(exporter.Pid()) << "\n";
    std::cout << "more_short_spellings_answered " << ProbeSpellings(moreShortSpellings) << "\n"
              << "rss_kb_after_more_short_spellings " << korva::testing::ResidentKilobytes(exporter.Pid()) << "\n";
    return 0;
}
