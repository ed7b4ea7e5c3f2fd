#pragma once
// A simulated Korva device without a socket: one request line in, at most one reply out.
#include "protocol/request_reader.h"
#include "protocol/unscramble.h"
#include "tools/sim/device_state.h"

#include <optional>
#include <string>
#include <string_view>

namespace korva::sim {

struct Reply {
    std::string plain;  // as the console reads it after unscrambling
    std::string sent;   // the bytes that go on the wire
};

class SimDevice {
public:
    // resetAcknowledgedOn: see FaultSettings.
    SimDevice(DeviceState initial, const ScrambleForm& form, std::uint32_t seed, int resetAcknowledgedOn = 1);

    // The reply to a request line, or nullopt for lines a device does not answer.
    std::optional<Reply> Answer(std::string_view request);

    const DeviceState& State() const { return state_; }
    const ScrambleForm& Form() const { return form_; }

private:
    std::string Status();
    std::string Reset(std::int32_t echo);
    std::string Write(const Request& write);

    DeviceState state_;
    ScrambleForm form_;
    Drift drift_;
    int resetAcknowledgedOn_;
    int resetCommands_ = 0;  // since the last acknowledged one
};

}  // namespace korva::sim
