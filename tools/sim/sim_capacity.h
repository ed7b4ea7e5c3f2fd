#pragma once
// What serving a range costs the simulator, weighed before anything is allocated: a socket per address,
// and a device's state for each device. A /8 asked for by mistake must be refused at once, not after
// millions of devices have been built.
#include "tools/sim/sim_options.h"

#include <cstdint>
#include <string>

namespace korva::sim {

// Descriptors the simulator opens beyond its sockets and those it holds at start: the stop pipe, epoll,
// and a few for the libraries.
inline constexpr std::uint64_t kSpareDescriptors = 8;
// The memory the simulator allows itself for its devices and its table of addresses.
inline constexpr std::uint64_t kMemoryBudget = std::uint64_t{1} << 30;

// Bytes the simulator holds for the range and its devices (not counting the kernel's sockets).
std::uint64_t MemoryNeeded(const SimOptions& options);

// Empty when the range fits within descriptorLimit (the hard limit: it is raised that far when need be),
// beside the descriptorsHeld already (those inherited from whatever started it included), and within
// memoryBudget; otherwise what does not fit and what to do instead.
std::string CapacityProblem(const SimOptions& options, std::uint64_t descriptorLimit, std::uint64_t descriptorsHeld,
                            std::uint64_t memoryBudget);

}  // namespace korva::sim
