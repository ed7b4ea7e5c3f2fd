#pragma once
// The simulator's command line.
#include "protocol/ipv4_range.h"
#include "protocol/messages.h"
#include "protocol/unscramble.h"
#include "tools/sim/device_state.h"
#include "tools/sim/faults.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korva::sim {

struct SimOptions {
    Ipv4Range addresses{0x7F000001, 1};
    std::optional<std::uint64_t> devices;  // on the first addresses; all of them when not given
    std::uint16_t port = kDevicePort;
    ScrambleForm form{150, 0x3F, 0x14};
    std::uint32_t seed = 1;
    FaultSettings faults;
    bool verbose = false;
    bool help = false;
    bool version = false;
};

struct ParsedOptions {
    std::optional<SimOptions> options;
    std::string error;  // set when options is empty
};

// Arguments without the program name.
ParsedOptions ParseSimOptions(const std::vector<std::string>& arguments);
std::string SimUsage();

}  // namespace korva::sim
