#include "tools/sim/sim_fleet.h"

namespace korva::sim {

SimFleet::SimFleet(const FleetSettings& settings) : addresses_(settings.addresses), slots_(settings.addresses.count) {
    for (std::uint64_t i = 0; i < settings.devices && i < slots_.size(); ++i) {
        slots_[i] =
            std::make_unique<SimDevice>(InitialState(AddressOctets(addresses_.At(i))), settings.form,
                                        settings.seed + static_cast<std::uint32_t>(i), settings.resetAcknowledgedOn);
    }
}

std::optional<Reply> SimFleet::Answer(std::uint32_t address, std::string_view request) {
    if (!addresses_.Contains(address))
        return std::nullopt;
    const std::uint64_t slot = address - addresses_.first;
    SimDevice* device = slots_[slot].get();
    if (!device)
        return std::nullopt;
    auto reply = device->Answer(request);
    if (AddressNumber(device->State().current.address) != address)
        Relocate(slot);
    return reply;
}

void SimFleet::Relocate(std::uint64_t from) {
    std::unique_ptr<SimDevice> device = std::move(slots_[from]);
    const std::uint32_t to = AddressNumber(device->State().current.address);
    if (addresses_.Contains(to) && !slots_[to - addresses_.first])
        slots_[to - addresses_.first] = std::move(device);
    else
        ++gone_;
}

const SimDevice* SimFleet::DeviceAt(std::uint32_t address) const {
    return addresses_.Contains(address) ? slots_[address - addresses_.first].get() : nullptr;
}

}  // namespace korva::sim
