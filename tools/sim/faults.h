#pragma once
// Deliberate misbehaviour, so that the console's handling of a poor link can be tried and tested.
#include "protocol/unscramble.h"
#include "tools/sim/sim_device.h"

#include <cstdint>
#include <optional>
#include <random>
#include <string>

namespace korva::sim {

// Each share is a percentage of replies, 0 to 100.
struct FaultSettings {
    int dropPercent = 0;
    int delayMs = 0;                  // every reply waits this long
    int wrongKeywordPercent = 0;      // the keyword becomes "ERR"
    int truncatePercent = 0;          // only the first half of the bytes go out
    int extraEmptyFieldsPercent = 0;  // every comma after the keyword doubled; readers see no change
    // The reset command a device acknowledges first, counted per device since its last reset: the ones
    // before get "NAK", like a device busy with something else.
    int resetAcknowledgedOn = 1;
};

struct FaultyReply {
    Reply reply;
    std::string faults;  // what was done to it, for the log; empty when nothing
};

class FaultInjector {
public:
    FaultInjector(const FaultSettings& settings, std::uint32_t seed) : settings_(settings), random_(seed) {}

    // The reply as it goes out, or nullopt when it is dropped.
    std::optional<FaultyReply> Apply(const Reply& reply, const ScrambleForm& form);

private:
    bool Chance(int percent);

    FaultSettings settings_;
    std::mt19937 random_;
};

}  // namespace korva::sim
