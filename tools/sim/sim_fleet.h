#pragma once
// Many simulated devices on a run of addresses, without sockets: a request to an address goes to the
// device there, if any. Devices sit on the first addresses of the run; the rest are free, so that a
// device given a new address can move there when it is reset, as a real one would on a site network.
#include "protocol/ipv4_range.h"
#include "tools/sim/sim_device.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace korva::sim {

struct FleetSettings {
    Ipv4Range addresses;        // every address listened on
    std::uint64_t devices = 0;  // on the first addresses; at most addresses.count
    ScrambleForm form;
    std::uint32_t seed = 1;  // device i drifts with seed + i
    int resetAcknowledgedOn = 1;
};

class SimFleet {
public:
    explicit SimFleet(const FleetSettings& settings);

    // The reply of the device at address (one of the addresses listened on). nullopt when no device is
    // there or the device does not answer the line. After an acknowledged reset that put a new address in
    // force, the device is at that address if it is listened on and free, and nowhere otherwise: it has
    // left for a network this simulator is not on.
    std::optional<Reply> Answer(std::uint32_t address, std::string_view request);

    const SimDevice* DeviceAt(std::uint32_t address) const;
    std::uint64_t Gone() const { return gone_; }  // devices that left for an address not listened on or taken

private:
    void Relocate(std::uint64_t from);

    Ipv4Range addresses_;
    std::vector<std::unique_ptr<SimDevice>> slots_;  // one per address listened on
    std::uint64_t gone_ = 0;
};

}  // namespace korva::sim
