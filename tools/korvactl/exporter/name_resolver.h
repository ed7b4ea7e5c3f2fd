#pragma once
// Host names of probe targets, resolved off the request's way: a few workers ask the system's resolver
// (which may take its time-outs and attempts, 10 s and more, for one name), each name is asked once
// however many probes wait for it, and what it resolved to, or that it resolved to nothing, is kept
// for a minute. A probe waits for its name no longer than its own deadline.
#include "tools/korvactl/exporter/worker_pool.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <unordered_map>
#include <vector>

namespace korva::ctl {

using SteadyTime = std::chrono::steady_clock::time_point;

struct NameAnswer {
    enum class Kind {
        kAddress,   // address holds it
        kNotFound,  // the resolver said there is no such name
        kTooSlow,   // no answer by the probe's deadline
        kBusy,      // too many names wait for the resolver already
    };
    Kind kind = Kind::kNotFound;
    std::uint32_t address = 0;  // host byte order
};

// What the exporter's scrapes ask for names; tests give their own.
class NameResolver {
public:
    virtual ~NameResolver() = default;
    // done runs on the event loop's thread, by deadline at the latest; it may run before Resolve returns.
    virtual void Resolve(const std::string& name, SteadyTime now, SteadyTime deadline,
                         std::function<void(NameAnswer)> done) = 0;
};

class CachingResolver : public NameResolver {
public:
    // The system's resolver, or a test's: blocks; nullopt when the name has no IPv4 address.
    using LookUp = std::function<std::optional<std::uint32_t>(const std::string& name)>;

    struct Limits {
        std::size_t workers = 4;
        std::size_t waitingNames = 64;  // names queued for a worker beyond those being asked
        std::chrono::seconds kept{60};
        std::size_t keptNames = 4096;
    };

    using Clock = std::function<SteadyTime()>;

    // deliver: runs a task on the event loop's thread (its Post); clock: the time answers are kept from.
    CachingResolver(LookUp lookUp, WorkerPool::Deliver deliver, Limits limits, Clock clock);
    CachingResolver(LookUp lookUp, WorkerPool::Deliver deliver)
        : CachingResolver(std::move(lookUp), std::move(deliver), Limits{}, [] { return std::chrono::steady_clock::now(); }) {}

    void Resolve(const std::string& name, SteadyTime now, SteadyTime deadline,
                 std::function<void(NameAnswer)> done) override;
    // Answers the probes whose deadline has come before their name.
    void OnTime(SteadyTime now);
    std::optional<SteadyTime> NextDeadline() const;
    // The exporter is stopping: every probe still waiting is answered now.
    void AnswerAll();

private:
    struct Kept {
        std::optional<std::uint32_t> address;
        SteadyTime until;
    };
    struct Waiter {
        std::uint64_t id;
        SteadyTime deadline;
        std::function<void(NameAnswer)> done;
    };

    void Resolved(const std::string& name, std::optional<std::uint32_t> address, SteadyTime now);
    void Keep(const std::string& name, std::optional<std::uint32_t> address, SteadyTime now);
    static NameAnswer AnswerOf(const std::optional<std::uint32_t>& address);

    LookUp lookUp_;
    Limits limits_;
    Clock clock_;
    std::unordered_map<std::string, Kept> kept_;
    std::unordered_map<std::string, std::vector<Waiter>> waiting_;  // names being asked, and who waits
    std::set<std::tuple<SteadyTime, std::uint64_t, std::string>> deadlines_;
    std::uint64_t nextId_ = 1;
    // Last: its workers' results reach this object only while the pool lives.
    WorkerPool pool_;
};

}  // namespace korva::ctl
