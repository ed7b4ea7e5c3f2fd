#include "tools/sim/sim_device.h"

#include "protocol/reply_writer.h"
#include "protocol/request_reader.h"

#include <utility>

namespace korva::sim {
SimDevice::SimDevice(DeviceState initial, const ScrambleForm& form, std::uint32_t seed, int resetAcknowledgedOn)
    : state_(std::move(initial)), form_(form), drift_(seed), resetAcknowledgedOn_(resetAcknowledgedOn) {}

std::optional<Reply> SimDevice::Answer(std::string_view line) {
    const auto request = ReadRequest(line);
    if (!request)
        return std::nullopt;
    std::string plain;
    switch (request->kind) {
        case RequestKind::kLiveData:
            plain = Status();
            break;
        case RequestKind::kParameters:
            plain = ParameterReplyLine(ParameterReadingOf(state_), form_);
            break;
        case RequestKind::kReset:
            plain = Reset(request->echo);
            break;
        case RequestKind::kWrite:
            plain = Write(*request);
            break;
    }
    return Reply{plain, SendableReply(plain, form_)};
}

std::string SimDevice::Status() {
    drift_.Step(state_);
    state_.echo = drift_.NextEcho(state_.echo);
    return StatusReplyLine(StatusReadingOf(state_), state_.pending.has_value(), form_);
}

std::string SimDevice::Reset(std::int32_t echo) {
    // Only a command that echoes the latest status reply's number counts: it proves the sender has
    // seen this device's own answer, not a stale or stray one.
    ++resetCommands_;
    const bool acknowledged = echo == state_.echo && resetCommands_ >= resetAcknowledgedOn_;
    if (acknowledged) {
        resetCommands_ = 0;
        if (state_.pending)
            state_.current = *state_.pending;
        state_.pending.reset();
    }
    return ResetReplyLine(acknowledged, state_.pending.has_value(), form_);
}

std::string SimDevice::Write(const Request& write) {
    state_.pending =
        NetworkParameters{AddressOctets(write.address), AddressOctets(write.mask), AddressOctets(write.gateway)};
    return WriteReplyLine(state_.pending.has_value(), form_);
}

}  // namespace korva::sim
