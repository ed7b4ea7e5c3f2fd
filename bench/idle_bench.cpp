// The console's processor time in automatic mode against a device that answers every request (run
// korva-sim on the given loopback address first): the window polls every 500 ms, handles each reply
// and shows it, and is otherwise idle.
//
//   idle_bench --device 127.0.0.182 [--seconds 60]
//
// Prints "cpu_s", "wall_s", "cpu_percent_of_one_core" and "replies" (handled during the measurement).
#include <QApplication>

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "bench/loopback_window.h"
#include "bench/options.h"
#include "bench/run_for.h"

namespace {

double ProcessCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    std::string device;
    int seconds = 60;
    korva::bench::ReadOptions(argc, argv, 1,
                              {{"--device", [&](const std::string& value) { device = value; }},
                               {"--seconds", [&](const std::string& value) { seconds = std::stoi(value); }}});

    korva::bench::LoopbackWindow window(device);
    window.StartPolling();
    // Past the start-up and the first parameter reply: the steady state is what is measured.
    korva::bench::RunEventLoopFor(std::chrono::seconds(2));

    const std::uint64_t repliesBefore = window.DatagramsHandled();
    const double cpuBefore = ProcessCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    korva::bench::RunEventLoopFor(std::chrono::seconds(seconds));
    const double cpu = ProcessCpuSeconds() - cpuBefore;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const std::uint64_t replies = window.DatagramsHandled() - repliesBefore;

    std::printf("cpu_s %.4f\nwall_s %.3f\ncpu_percent_of_one_core %.4f\nreplies %llu\n", cpu, wall, cpu / wall * 100,
                static_cast<unsigned long long>(replies));
    return replies > 0 ? 0 : 1;
}
