#pragma once
// Every request the exporter has out to devices, in one place. A probe is a list of devices, each asked
// for its live data and its parameters at once and asked again, for what has not come, after each
// third of the probe's budget; the probe ends as soon as every device has given both, or when the
// budget is spent. Probes wait in one deadline queue and replies find them by their sender's address,
// so no probe holds a thread or a socket while it waits: the sockets are the exporter's few
// (probe_sockets.h), and the thread is the event loop's, which calls everything here.
#include "tools/korvactl/exporter/device_sample.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace korva::ctl {

using SteadyTime = std::chrono::steady_clock::time_point;

struct ProbeDevice {
    std::string name;                      // as asked for; the metrics' label
    std::optional<std::uint32_t> address;  // host byte order; nullopt: nowhere to ask, the device is down
};

class Prober {
public:
    // Sends one request; a request that cannot leave is lost like one the network drops.
    using Send = std::function<void(std::uint32_t address, std::string_view request)>;
    // The samples in the order of the probe's devices, and when the probe ended.
    using Done = std::function<void(std::vector<DeviceSample> samples, SteadyTime ended)>;

    explicit Prober(Send send);

    // Sends the first requests now. done may run before Start returns (no device has an address).
    void Start(std::vector<ProbeDevice> devices, std::chrono::milliseconds budget, SteadyTime now, Done done);
    // A datagram from address `from`: every probe waiting for that device takes what it answers.
    void OnDatagram(std::uint32_t from, std::string_view bytes, WallTime receivedAt, SteadyTime now);
    // Sends the requests due again and ends the probes whose budget is spent.
    void OnTime(SteadyTime now);
    std::optional<SteadyTime> NextDeadline() const;
    // Ends every probe at once with what it has: the exporter is stopping.
    void FinishAll(SteadyTime now);

    std::size_t ProbesUnderWay() const { return probes_.size(); }

private:
    struct Probe {
        std::vector<std::optional<std::uint32_t>> addresses;
        std::vector<DeviceSample> samples;
        std::size_t unanswered = 0;  // requests (a device's live data or parameters) still without a reply
        int sends = 0;
        SteadyTime started;
        std::chrono::milliseconds period{1};  // between two sends, a third of the budget
        SteadyTime next;                      // the next send, or the end
        Done done;
    };
    struct Waiting {
        std::uint64_t probe;
        std::size_t device;
    };

    void SendUnanswered(Probe& probe);
    void Schedule(std::uint64_t id, Probe& probe, SteadyTime next);
    void Finish(std::uint64_t id, SteadyTime now);

    Send send_;
    const std::string liveDataRequest_;
    const std::string parameterRequest_;
    std::uint64_t nextId_ = 1;
    std::unordered_map<std::uint64_t, Probe> probes_;
    std::set<std::pair<SteadyTime, std::uint64_t>> schedule_;  // each probe's next send or end
    std::unordered_map<std::uint32_t, std::vector<Waiting>> waiting_;  // by device address
};

}  // namespace korva::ctl
