#include "tools/korvactl/exporter/probe_failure_log.h"

namespace korva::ctl {

void ProbeFailureLog::Failed(const std::string& target, const std::string& reason, Clock::time_point now) {
    const std::lock_guard lock(mutex_);
    std::uint64_t since = 0;
    if (const auto found = told_.find(target); found != told_.end()) {
        if (now - found->second.at < quiet_) {
            ++found->second.since;
            return;
        }
        since = found->second.since;
    }
    std::string line = "probe of " + target + " failed: " + reason;
    if (since > 0)
        line += " (and " + std::to_string(since) + (since == 1 ? " more time" : " more times") + " since the last line)";
    write_(line);
    if (told_.size() >= capacity_)
        std::erase_if(told_, [&](const auto& entry) { return now - entry.second.at >= quiet_; });
    // A book full of targets all failing within the minute: this one is told each time rather than kept.
    if (told_.size() < capacity_ || told_.contains(target))
        told_[target] = {now, 0};
}

}  // namespace korva::ctl
