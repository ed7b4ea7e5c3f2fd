#include "tools/sim/sim_capacity.h"

#include "tools/sim/sim_device.h"

#include <algorithm>
#include <memory>

namespace korva::sim {

namespace {

// A device's own strings outgrow their inline buffers now and then: firmware, replies being built.
constexpr std::uint64_t kHeapPerDevice = 256;
// Its slot in the table of devices and its socket's descriptor.
constexpr std::uint64_t kBytesPerAddress = sizeof(std::unique_ptr<SimDevice>) + sizeof(int);

std::uint64_t Megabytes(std::uint64_t bytes) {
    return (bytes + (1u << 20) - 1) >> 20;
}

}  // namespace

std::uint64_t MemoryNeeded(const SimOptions& options) {
    const std::uint64_t addresses = options.addresses.count;
    const std::uint64_t devices = std::min(options.devices.value_or(addresses), addresses);
    return addresses * kBytesPerAddress + devices * (sizeof(SimDevice) + kHeapPerDevice);
}

std::string CapacityProblem(const SimOptions& options, std::uint64_t descriptorLimit, std::uint64_t descriptorsHeld,
                            std::uint64_t memoryBudget) {
    const std::uint64_t addresses = options.addresses.count;
    if (addresses + descriptorsHeld + kSpareDescriptors > descriptorLimit) {
        return std::to_string(addresses) + " addresses need as many sockets, and this process may open " +
               std::to_string(descriptorLimit) + " descriptors at most (ulimit -Hn), " +
               std::to_string(descriptorsHeld) + " of them held already; listen on fewer addresses";
    }
    if (const std::uint64_t needed = MemoryNeeded(options); needed > memoryBudget) {
        return std::to_string(addresses) + " addresses with " +
               std::to_string(std::min(options.devices.value_or(addresses), addresses)) + " devices need about " +
               std::to_string(Megabytes(needed)) + " MB, more than the " + std::to_string(Megabytes(memoryBudget)) +
               " MB the simulator allows itself; listen on fewer addresses or put fewer devices on them (--devices)";
    }
    return {};
}

}  // namespace korva::sim
