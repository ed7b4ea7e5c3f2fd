// Starts programs that print "ready_ns <CLOCK_MONOTONIC ns>" (and optionally "pause_ns <ns>") when
// their start-up is over and then end, several times each, taking turns; prints per program the
// median time from just before fork() to ready, the same minus the pause, and the median peak
// resident memory (the kernel's high-water mark, from wait4).
//
//   startup_probe RUNS PROGRAM...
//
// One line per program: "<name> startup_ms <t> startup_without_pause_ms <t> peak_kb <kb> runs <n>".
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "bench/monotonic_clock.h"

namespace {

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

struct Run {
    double startupMs = 0;
    double withoutPauseMs = 0;
    double peakKb = 0;
};

// One start of program; false when it failed or did not report.
bool RunOnce(const std::string& program, Run& run) {
    int output[2];
    if (pipe(output) != 0)
        return false;
    const long long started = korva::bench::MonotonicNanoseconds();
    const pid_t child = fork();
    if (child == 0) {
        dup2(output[1], STDOUT_FILENO);
        close(output[0]);
        close(output[1]);
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(output[1]);
    std::string text;
    char buffer[256];
    for (ssize_t n; (n = read(output[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(n));
    close(output[0]);
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return false;

    std::map<std::string, long long> values;
    std::istringstream lines(text);
    for (std::string name; lines >> name;)
        lines >> values[name];
    if (values.count("ready_ns") == 0)
        return false;
    run.startupMs = static_cast<double>(values["ready_ns"] - started) / 1e6;
    run.withoutPauseMs = run.startupMs - static_cast<double>(values["pause_ns"]) / 1e6;
    run.peakKb = static_cast<double>(usage.ru_maxrss);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fputs("usage: startup_probe RUNS PROGRAM...\n", stderr);
        return 2;
    }
    const int runs = std::atoi(argv[1]);
    const std::vector<std::string> programs(argv + 2, argv + argc);
    std::map<std::string, std::vector<Run>> results;
    for (int i = 0; i < runs; ++i) {
        for (const std::string& program : programs) {
            Run run;
            if (!RunOnce(program, run)) {
                std::fprintf(stderr, "startup_probe: %s failed\n", program.c_str());
                return 1;
            }
            results[program].push_back(run);
        }
    }
    for (const std::string& program : programs) {
        std::vector<double> startup, withoutPause, peak;
        for (const Run& run : results[program]) {
            startup.push_back(run.startupMs);
            withoutPause.push_back(run.withoutPauseMs);
            peak.push_back(run.peakKb);
        }
        const std::string name = program.substr(program.find_last_of('/') + 1);
        std::printf("%s startup_ms %.1f startup_without_pause_ms %.1f peak_kb %.0f runs %d\n", name.c_str(),
                    Median(startup), Median(withoutPause), Median(peak), runs);
    }
    return 0;
}
