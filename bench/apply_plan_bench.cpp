// What `korvactl apply` costs for a plan of a million rows whose devices are all silent: peak memory,
// and the most requests it sends at one moment. The command runs in this process on a link that answers
// nothing and whose clock moves only while korvactl waits, so no time is spent waiting and nothing is
// sent anywhere.
//
//   apply_plan_bench [ROWS] [extra apply options...]
#include "tools/korvactl/conversations/link.h"
#include "tools/korvactl/program/run_command.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

namespace {

using namespace std::chrono_literals;

// Counts what is written without keeping it, as a terminal or a file would take it.
class CountingBuffer : public std::streambuf {
public:
    std::uint64_t lines = 0;

protected:
    int_type overflow(int_type c) override {
        lines += c == '\n' ? 1 : 0;
        return c;
    }
};

class SilentLink : public korva::ctl::Link {
public:
    std::uint64_t sent = 0;
    std::uint64_t mostAtOnce = 0;

    korva::ctl::SteadyTime Now() override { return now_; }
    void Send(const std::string&, std::string_view) override {
        ++sent;
        atThisMoment_ = lastSend_ == now_ ? atThisMoment_ + 1 : 1;
        lastSend_ = now_;
        mostAtOnce = std::max(mostAtOnce, atThisMoment_);
    }
    korva::ctl::WakeReason WaitUntil(korva::ctl::SteadyTime deadline, korva::ctl::Incoming&) override {
        AboutToWait();
        now_ = std::max(now_, deadline);
        return korva::ctl::WakeReason::kDeadline;
    }
    bool InterruptRequested() { return false; }

private:
    korva::ctl::SteadyTime now_{};
    korva::ctl::SteadyTime lastSend_{};
    std::uint64_t atThisMoment_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    const long rows = argc > 1 ? std::stol(argv[1]) : 1'000'000;
    const std::string path = "/tmp/apply_plan_bench_" + std::to_string(getpid()) + ".csv";
    {
        std::ofstream plan(path);
        for (long i = 0; i < rows; ++i) {
            // 127.16.0.1 onwards to 127.64.0.1 onwards: a million distinct hosts of 127/8 each way.
            const long host = i + 1;
            plan << "127." << 16 + host / 65536 << '.' << host / 256 % 256 << '.' << host % 256 << ",127."
                 << 64 + host / 65536 << '.' << host / 256 % 256 << '.' << host % 256 << ",255.0.0.0,127.0.0.1\n";
        }
    }
    std::vector<std::string> arguments = {path, "--yes", "--timeout", "100ms", "--retries", "0"};
    for (int i = 2; i < argc; ++i)
        arguments.push_back(argv[i]);
    CountingBuffer outLines, errLines;
    std::ostream out(&outLines), err(&errLines);
    std::istringstream noInput;
    SilentLink* link = nullptr;
    korva::ctl::CommandIo io{out, err, {false, noInput, err}, [&link] {
                                 auto opened = std::make_unique<SilentLink>();
                                 link = opened.get();
                                 return opened;
                             },
                             false};
    const auto started = std::chrono::steady_clock::now();
    const int status = korva::ctl::RunCommand("apply", arguments, io);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::remove(path.c_str());
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::cout << rows << " rows: exit " << status << ", " << (link ? link->sent : 0) << " requests, at most "
              << (link ? link->mostAtOnce : 0) << " at one moment, peak RSS " << usage.ru_maxrss / 1024 << " MB, "
              << seconds << " s; " << outLines.lines << " result lines, " << errLines.lines
              << " lines on standard error\n";
    return 0;
}
