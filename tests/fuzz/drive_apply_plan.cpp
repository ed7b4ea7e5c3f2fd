// apply driven against a fleet of simulated devices that keeps its state between runs: a plan built
// from the input (rows, MACs right, wrong or missing), replies lost or late, Ctrl-C at any moment. Each
// row's result must tell what its device may hold, no write may reach a device whose MAC is not the
// row's, and a plan applied without faults must change nothing when applied again.
#include "protocol/ipv4_range.h"
#include "protocol/numbers.h"
#include "tests/fuzz/fuzz_targets.h"
#include "tests/fuzz/require.h"
#include "tools/korvactl/commands/apply_command.h"
#include "tools/sim/sim_fleet.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace korva::fuzz {
namespace {

using namespace std::chrono_literals;
using std::chrono::milliseconds;

// The fleet's addresses; new addresses may also lie on the next /24, where a moved device leaves the
// simulator's reach. Nothing here opens a socket.
constexpr std::uint32_t kFleetFirst = 0x7F002800;  // 127.0.40.0
constexpr std::uint64_t kFleetSize = 64;

struct Faults {
    std::optional<int> lostReply;  // the number of the request whose reply is lost, counted from 1
    milliseconds writeReplyDelay{2};
    std::optional<milliseconds> interruptAt;

    bool Any() const { return lostReply || writeReplyDelay > 100ms || interruptAt; }
};

struct WriteSent {
    std::string address;
    std::optional<std::string> macThere;  // the MAC of the device at that address when the write left
};

std::string MacText(const std::array<std::uint8_t, 6>& mac) {
    std::string text;
    for (std::size_t i = 0; i < mac.size(); ++i)
        text += (i ? "-" : "") + HexText(mac[i], 2);
    return text;
}

std::optional<std::string> MacAt(const sim::SimFleet& fleet, std::uint32_t address) {
    const sim::SimDevice* device = fleet.DeviceAt(address);
    return device ? std::optional(MacText(device->State().mac)) : std::nullopt;
}

// The network between korvactl and the fleet, on a clock that moves only while korvactl waits.
class FleetLink : public ctl::Link {
public:
    FleetLink(sim::SimFleet& fleet, const Faults& faults, std::vector<WriteSent>& writes)
        : fleet_(fleet), faults_(faults), writes_(writes) {}

    ctl::SteadyTime Now() override { return ctl::SteadyTime(now_); }

    void Send(const std::string& address, std::string_view data) override {
        const auto number = ParseIpv4(address);
        Require(number.has_value());
        const bool write = data.starts_with("wPr");
        if (write)
            writes_.push_back({address, MacAt(fleet_, *number)});
        if (faults_.lostReply == ++sent_)
            return;
        if (const auto reply = fleet_.Answer(*number, data))
            inFlight_.push_back({now_ + (write ? faults_.writeReplyDelay : 2ms), address, reply->sent});
    }

    ctl::WakeReason WaitUntil(ctl::SteadyTime deadline, ctl::Incoming& datagram) override {
        AboutToWait();
        const auto until = std::chrono::duration_cast<milliseconds>(deadline.time_since_epoch());
        const auto first = std::min_element(inFlight_.begin(), inFlight_.end(),
                                            [](const auto& a, const auto& b) { return a.at < b.at; });
        if (faults_.interruptAt && *faults_.interruptAt <= until &&
            (first == inFlight_.end() || *faults_.interruptAt < first->at)) {
            now_ = std::max(now_, *faults_.interruptAt);
            return ctl::WakeReason::kInterrupted;
        }
        if (first != inFlight_.end() && first->at <= std::max(until, now_)) {
            now_ = std::max(now_, first->at);
            datagram = ctl::Incoming{first->bytes, first->from, ctl::WallTime(now_)};
            inFlight_.erase(first);
            return ctl::WakeReason::kDatagram;
        }
        now_ = std::max(now_, until);
        return ctl::WakeReason::kDeadline;
    }

    bool InterruptRequested() override { return faults_.interruptAt && *faults_.interruptAt <= now_; }

private:
    struct InFlight {
        milliseconds at;
        std::string from;
        std::string bytes;
    };

    sim::SimFleet& fleet_;
    const Faults& faults_;
    std::vector<WriteSent>& writes_;
    std::vector<InFlight> inFlight_;
    int sent_ = 0;
    milliseconds now_{0};
};

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::size_t Left() const { return size_ - used_; }
    std::uint8_t Byte() { return used_ < size_ ? data_[used_++] : 0; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t used_ = 0;
};

std::string FleetAddress(std::uint8_t byte) {
    // Bit 6: the next /24, outside the fleet.
    return "127.0." + std::string(byte & 0x40 ? "41." : "40.") + std::to_string(byte % kFleetSize);
}

// A row of the plan: where, where to, which subnet, and which MAC, if any.
std::string PlanLine(Input& input, const sim::SimFleet& fleet) {
    static constexpr const char* kSubnets[] = {",255.255.255.0,127.0.40.254", ",255.255.255.192,127.0.40.62",
                                               ",255.255.0.0,127.0.0.1", ",255.255.255.0,127.0.40.1"};
    const std::uint8_t from = input.Byte() % kFleetSize;
    const std::string newAddress = FleetAddress(input.Byte());
    const char* subnet = kSubnets[input.Byte() % 4];
    const std::uint8_t mac = input.Byte();
    std::string line = FleetAddress(from) + "," + newAddress + subnet;
    switch (mac % 4) {
        case 0:
            break;
        case 1:  // the device's own, when there is one
            line += "," + MacAt(fleet, kFleetFirst + from).value_or("00-1A-AB-00-28-FF");
            break;
        case 2:  // another device's
            line += "," + MacAt(fleet, kFleetFirst + (mac >> 2) % kFleetSize).value_or("02-00-00-00-00-01");
            break;
        default:
            line += ",zz";
    }
    return line + "\n";
}

struct RowResult {
    std::string address;
    std::string newAddress;
    std::string mask;
    std::string gateway;
    std::string mac;
    std::string result;
    std::string detail;
};

struct ApplyRun {
    int exitStatus = -1;
    std::vector<RowResult> results;
    std::vector<WriteSent> writes;
};

ApplyRun Apply(sim::SimFleet& fleet, const std::vector<ctl::PlanRow>& rows, const Faults& faults) {
    ApplyRun run;
    std::ostringstream out, err;
    std::istringstream noInput;
    ctl::CommandIo io{out, err, {false, noInput, err}, [&]() -> std::unique_ptr<ctl::Link> {
                          return std::make_unique<FleetLink>(fleet, faults, run.writes);
                      },
                      false};
    ctl::CommandLine line;
    line.retry = {100ms, 1};
    line.yes = true;
    line.resetInterval = 20ms;
    ctl::DiscardedRecords records;
    ctl::ProgressLine progress(err, false, "");
    ctl::CommandContext context{"apply", line, {}, records, io, progress};
    run.exitStatus = ctl::ApplyPlan(context, rows);
    std::istringstream lines(out.str());
    for (std::string text; std::getline(lines, text);) {
        const auto json = nlohmann::json::parse(text);
        run.results.push_back({json["address"], json["new_address"], json["mask"], json["gateway"],
                               json.value("mac", ""), json["result"], json.value("detail", "")});
    }
    return run;
}

std::string Canonical(const std::string& address) {
    return Ipv4Text(*ParseIpv4(address));
}

bool Written(const ApplyRun& run, const std::string& address) {
    return std::any_of(run.writes.begin(), run.writes.end(),
                       [&](const WriteSent& write) { return write.address == Canonical(address); });
}

void CheckResults(const ApplyRun& run, const std::vector<ctl::PlanRow>& rows, const sim::SimFleet& fleet) {
    Require(run.exitStatus >= 0 && run.exitStatus <= 2);
    if (run.exitStatus == 2 || run.results.empty()) {
        // A conflict refuses the plan, Ctrl-C during the survey ends it (status 1): before any write.
        Require(run.writes.empty() && run.results.empty() && !rows.empty());
        return;
    }
    Require(run.results.size() == rows.size());
    for (const WriteSent& write : run.writes) {
        const auto row = std::find_if(rows.begin(), rows.end(),
                                      [&](const ctl::PlanRow& row) { return Canonical(row.address) == write.address; });
        Require(row != rows.end());
        // With a MAC in the row, a write reaches only that device.
        Require(row->mac.empty() ||
                (write.macThere && ctl::CanonicalMac(*write.macThere) == ctl::CanonicalMac(row->mac)));
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const RowResult& result = run.results[i];
        const ctl::PlanRow& row = rows[i];
        Require(result.address == row.address && result.newAddress == row.newAddress && result.mac == row.mac);
        if (Written(run, row.address)) {
            // A write that left is never called unwritten, nor the device unchanged.
            Require(result.result != "unchanged");
            Require(result.detail.rfind("not written", 0) != 0);
        } else {
            Require(result.result == "unchanged" || result.result == "failed");
        }
        if (result.result == "applied") {
            const auto number = ParseIpv4(row.newAddress);
            const sim::SimDevice* device = fleet.DeviceAt(*number);
            Require(device != nullptr);
            Require(Ipv4Text(sim::AddressNumber(device->State().current.mask)) == Canonical(row.mask));
            Require(Ipv4Text(sim::AddressNumber(device->State().current.gateway)) == Canonical(row.gateway));
            Require(row.mac.empty() || ctl::CanonicalMac(MacText(device->State().mac)) == ctl::CanonicalMac(row.mac));
        }
        Require(result.result == "applied" || result.result == "unchanged" || !result.detail.empty());
    }
}

}  // namespace

void DriveApplyPlan(const std::uint8_t* data, std::size_t size) {
    Input input(data, size);
    static constexpr ScrambleForm kForms[] = {{0, 0, 0}, {120, 0, 0}, {150, 0x3F, 0x14}};
    const std::uint64_t devices = input.Byte() % 16;
    const ScrambleForm form = kForms[input.Byte() % 3];
    sim::SimFleet fleet({{kFleetFirst, kFleetSize}, devices, form, 1, 1 + input.Byte() % 3});

    Faults faults;
    const std::uint8_t faultBits = input.Byte();
    const std::uint8_t faultValue = input.Byte();
    if (faultBits & 1)
        faults.lostReply = 1 + faultValue % 40;
    if (faultBits & 2)
        faults.writeReplyDelay = milliseconds(2 + 50 * (faultValue % 8));
    if (faultBits & 4)
        faults.interruptAt = milliseconds(10 * faultValue);

    std::string text = faultBits & 8 ? "address,new_address,mask,gateway,mac\n" : "";
    for (int row = 0; row < 8 && input.Left() >= 4; ++row)
        text += PlanLine(input, fleet);
    std::istringstream planText(text);
    const ctl::Plan plan = ctl::ReadPlan(planText, language::English());
    Require(plan.problems.empty());  // every line built here has four or five fields
    if (plan.rows.empty() || !ctl::CheckPlan(plan.rows, language::English()).empty())
        return;

    const ApplyRun first = Apply(fleet, plan.rows, faults);
    CheckResults(first, plan.rows, fleet);
    if (faults.Any() || first.exitStatus == 2)
        return;
    // Applied again, the plan finds what it made and writes nothing to it.
    const ApplyRun again = Apply(fleet, plan.rows, {});
    CheckResults(again, plan.rows, fleet);
    for (std::size_t i = 0; i < plan.rows.size(); ++i) {
        if (first.results[i].result == "applied") {
            Require(again.results[i].result == "unchanged");
            Require(!Written(again, plan.rows[i].address));
        }
    }
}

}  // namespace korva::fuzz
