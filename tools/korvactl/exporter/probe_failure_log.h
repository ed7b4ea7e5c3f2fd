#pragma once
// The exporter's log of probes whose device did not answer: one line per target at most once a
// minute. Prometheus probes a device that is down at every scrape interval, and a line each time would
// bury everything else in the journal; the line says how many probes failed since the last one.
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <unordered_map>

namespace korva::ctl {

class ProbeFailureLog {
public:
    using Clock = std::chrono::steady_clock;
    // write: takes one line without its newline; called with the log's lock held, so lines never mix.
    explicit ProbeFailureLog(std::function<void(const std::string&)> write,
                             std::chrono::seconds quiet = std::chrono::seconds(60), std::size_t capacity = 4096)
        : write_(std::move(write)), quiet_(quiet), capacity_(capacity) {}

    // A probe of target failed for reason at now. Safe from any thread.
    void Failed(const std::string& target, const std::string& reason, Clock::time_point now);

private:
    struct Told {
        Clock::time_point at;
        std::uint64_t since = 0;  // failures not told since then
    };

    std::function<void(const std::string&)> write_;
    const std::chrono::seconds quiet_;
    const std::size_t capacity_;  // targets remembered; beyond, the ones quiet long enough are forgotten
    std::mutex mutex_;
    std::unordered_map<std::string, Told> told_;
};

}  // namespace korva::ctl
