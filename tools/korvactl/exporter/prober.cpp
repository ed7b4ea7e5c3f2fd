#include "tools/korvactl/exporter/prober.h"

#include "protocol/fields.h"
#include "protocol/unscramble.h"

#include <algorithm>

namespace korva::ctl {

namespace {

namespace f = reply_field;

// A status or parameter reply read once, for every probe waiting for its device.
struct Reading {
    ReplyKind kind = ReplyKind::kUnknown;
    std::optional<StatusReading> status;
    std::optional<ParameterReading> parameters;
    int reach = 0;
    bool complete = false;
    bool changed = false;
};

int LastFieldReached(const ReplyReader& reader, int last) {
    int reach = 0;
    while (reach < last && reader.Reaches(reach + 1))
        ++reach;
    return reach;
}

Reading Read(std::string_view bytes) {
    Reading reading;
    const PlainReply plain = UnscrambleReply(Trim(bytes));
    const ReplyReader reader(plain.text, plain.headerOffset, plain.formatVersion);
    reading.kind = reader.Kind();
    if (reading.kind == ReplyKind::kStatus) {
        reading.status = reader.Status();
        reading.reach = LastFieldReached(reader, f::kChangedFlag);
    } else if (reading.kind == ReplyKind::kParameters) {
        reading.parameters = reader.Parameters();
        reading.reach = LastFieldReached(reader, f::kChangedFlag);
    } else {
        return reading;
    }
    reading.complete = reader.Complete();
    reading.changed = reader.ChangedFlag();
    return reading;
}

}  // namespace

Prober::Prober(Send send)
    : send_(std::move(send)),
      liveDataRequest_(BuildLiveDataRequest()),
      parameterRequest_(BuildParameterRequest(false)) {}

void Prober::Start(std::vector<ProbeDevice> devices, std::chrono::milliseconds budget, SteadyTime now, Done done) {
    const std::uint64_t id = nextId_++;
    Probe& probe = probes_[id];
    probe.started = now;
    // Three tries fit in the budget: the first and two repeats.
    probe.period = std::max(std::chrono::milliseconds(1), budget / 3);
    probe.done = std::move(done);
    probe.samples.reserve(devices.size());
    probe.addresses.reserve(devices.size());
    for (std::size_t i = 0; i < devices.size(); ++i) {
        ProbeDevice& device = devices[i];
        probe.samples.push_back({});
        probe.samples.back().name = std::move(device.name);
        probe.addresses.push_back(device.address);
        if (device.address) {
            waiting_[*device.address].push_back({id, i});
            probe.unanswered += 2;
        }
    }
    if (probe.unanswered == 0) {
        Finish(id, now);
        return;
    }
    SendUnanswered(probe);
    Schedule(id, probe, now + probe.period);
}

void Prober::SendUnanswered(Probe& probe) {
    ++probe.sends;
    for (std::size_t i = 0; i < probe.samples.size(); ++i) {
        if (!probe.addresses[i])
            continue;
        if (!probe.samples[i].status)
            send_(*probe.addresses[i], liveDataRequest_);
        if (!probe.samples[i].parameters)
            send_(*probe.addresses[i], parameterRequest_);
    }
}

void Prober::Schedule(std::uint64_t id, Probe& probe, SteadyTime next) {
    schedule_.erase({probe.next, id});
    probe.next = next;
    schedule_.insert({next, id});
}

void Prober::OnDatagram(std::uint32_t from, std::string_view bytes, WallTime receivedAt, SteadyTime now) {
    const auto found = waiting_.find(from);
    if (found == waiting_.end())
        return;  // nobody asked that address
    const Reading reading = Read(bytes);
    if (reading.kind != ReplyKind::kStatus && reading.kind != ReplyKind::kParameters)
        return;
    std::vector<std::uint64_t> answered;
    for (const Waiting& waiting : found->second) {
        Probe& probe = probes_.at(waiting.probe);
        DeviceSample& sample = probe.samples[waiting.device];
        if (reading.status && !sample.status) {
            sample.status = reading.status;
            sample.statusReach = reading.reach;
            sample.statusComplete = reading.complete;
        } else if (reading.parameters && !sample.parameters) {
            sample.parameters = reading.parameters;
            sample.parameterReach = reading.reach;
            sample.parametersComplete = reading.complete;
        } else {
            continue;  // a second answer to what this probe has already
        }
        sample.lastReply = std::max(sample.lastReply.value_or(receivedAt), receivedAt);
        sample.restartPending = sample.restartPending || reading.changed;
        if (--probe.unanswered == 0)
            answered.push_back(waiting.probe);
    }
    for (const std::uint64_t id : answered)
        Finish(id, now);
}

void Prober::OnTime(SteadyTime now) {
    while (!schedule_.empty() && schedule_.begin()->first <= now) {
        const std::uint64_t id = schedule_.begin()->second;
        Probe& probe = probes_.at(id);
        if (probe.sends >= 3) {
            Finish(id, now);
            continue;
        }
        SendUnanswered(probe);
        Schedule(id, probe, probe.started + probe.period * probe.sends);
    }
}

std::optional<SteadyTime> Prober::NextDeadline() const {
    if (schedule_.empty())
        return std::nullopt;
    return schedule_.begin()->first;
}

void Prober::FinishAll(SteadyTime now) {
    while (!probes_.empty())
        Finish(probes_.begin()->first, now);
}

void Prober::Finish(std::uint64_t id, SteadyTime now) {
    const auto found = probes_.find(id);
    Probe probe = std::move(found->second);
    probes_.erase(found);
    schedule_.erase({probe.next, id});
    for (const std::optional<std::uint32_t>& address : probe.addresses) {
        if (!address)
            continue;
        const auto waiting = waiting_.find(*address);
        if (waiting == waiting_.end())
            continue;
        std::erase_if(waiting->second, [id](const Waiting& w) { return w.probe == id; });
        if (waiting->second.empty())
            waiting_.erase(waiting);
    }
    probe.done(std::move(probe.samples), now);
}

}  // namespace korva::ctl
