#pragma once
// The simulator's command line.
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
    Ipv4 address{127, 0, 0, 1};
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
