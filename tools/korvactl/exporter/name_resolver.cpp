#include "tools/korvactl/exporter/name_resolver.h"

#include <algorithm>

namespace korva::ctl {

CachingResolver::CachingResolver(LookUp lookUp, WorkerPool::Deliver deliver, Limits limits, Clock clock)
    : lookUp_(std::move(lookUp)),
      limits_(limits),
      clock_(std::move(clock)),
      pool_(limits.workers, limits.waitingNames, std::move(deliver)) {}

NameAnswer CachingResolver::AnswerOf(const std::optional<std::uint32_t>& address) {
    return address ? NameAnswer{NameAnswer::Kind::kAddress, *address} : NameAnswer{NameAnswer::Kind::kNotFound, 0};
}

void CachingResolver::Resolve(const std::string& name, SteadyTime now, SteadyTime deadline,
                              std::function<void(NameAnswer)> done) {
    if (const auto kept = kept_.find(name); kept != kept_.end()) {
        if (kept->second.until > now) {
            done(AnswerOf(kept->second.address));
            return;
        }
        kept_.erase(kept);
    }
    auto asked = waiting_.find(name);
    if (asked == waiting_.end()) {
        // The worker's copy of the name and of the lookup: the work may outlive this object.
        const bool queued = pool_.TrySubmit([this, name, lookUp = lookUp_]() -> std::function<void()> {
            std::optional<std::uint32_t> address = lookUp(name);
            return [this, name, address] { Resolved(name, address, clock_()); };
        });
        if (!queued) {
            done({NameAnswer::Kind::kBusy, 0});
            return;
        }
        asked = waiting_.emplace(name, std::vector<Waiter>{}).first;
    }
    const std::uint64_t id = nextId_++;
    asked->second.push_back({id, deadline, std::move(done)});
    deadlines_.insert({deadline, id, name});
}

void CachingResolver::Resolved(const std::string& name, std::optional<std::uint32_t> address, SteadyTime now) {
    Keep(name, address, now);
    const auto asked = waiting_.find(name);
    if (asked == waiting_.end())
        return;
    std::vector<Waiter> waiters = std::move(asked->second);
    waiting_.erase(asked);
    for (Waiter& waiter : waiters) {
        deadlines_.erase({waiter.deadline, waiter.id, name});
        waiter.done(AnswerOf(address));
    }
}

void CachingResolver::Keep(const std::string& name, std::optional<std::uint32_t> address, SteadyTime now) {
    if (kept_.size() >= limits_.keptNames)
        std::erase_if(kept_, [now](const auto& entry) { return entry.second.until <= now; });
    // Still full of names all asked within the minute: start again rather than grow.
    if (kept_.size() >= limits_.keptNames)
        kept_.clear();
    kept_[name] = {address, now + limits_.kept};
}

void CachingResolver::OnTime(SteadyTime now) {
    while (!deadlines_.empty() && std::get<0>(*deadlines_.begin()) <= now) {
        const auto [deadline, id, name] = *deadlines_.begin();
        deadlines_.erase(deadlines_.begin());
        // The name stays asked: its answer, when it comes, is kept for the probes after this one.
        std::vector<Waiter>& waiters = waiting_.at(name);
        const auto waiter = std::find_if(waiters.begin(), waiters.end(), [waiterId = id](const Waiter& w) { return w.id == waiterId; });
        std::function<void(NameAnswer)> done = std::move(waiter->done);
        waiters.erase(waiter);
        done({NameAnswer::Kind::kTooSlow, 0});
    }
}

std::optional<SteadyTime> CachingResolver::NextDeadline() const {
    if (deadlines_.empty())
        return std::nullopt;
    return std::get<0>(*deadlines_.begin());
}

void CachingResolver::AnswerAll() {
    std::vector<std::function<void(NameAnswer)>> all;
    for (auto& [name, waiters] : waiting_) {
        for (Waiter& waiter : waiters)
            all.push_back(std::move(waiter.done));
        waiters.clear();
    }
    deadlines_.clear();
    for (auto& done : all)
        done({NameAnswer::Kind::kTooSlow, 0});
}

}  // namespace korva::ctl
