#include "tools/sim/sim_device.h"

#include "protocol/reply_writer.h"
#include "protocol/text_fields.h"

#include <sstream>
#include <utility>

namespace korva::sim {
SimDevice::SimDevice(DeviceState initial, const ScrambleForm& form, std::uint32_t seed, int resetAcknowledgedOn)
    : state_(std::move(initial)), form_(form), drift_(seed), resetAcknowledgedOn_(resetAcknowledgedOn) {}

std::optional<Reply> SimDevice::Answer(std::string_view request) {
    const std::string line = Trim(request);
    const std::string command = UpperCaseAscii(line.substr(0, 3));
    std::optional<std::string> plain;
    if (command == "SND") {
        plain = Status();
    } else if (command == "RPR") {
        plain = ParameterReplyLine(ParameterReadingOf(state_), form_);
    } else if (command == "RST" && UpperCaseAscii(line.substr(0, 9)) == "RST000005") {
        plain = Reset(std::string_view(line).substr(9));
    } else if (command == "WPR") {
        plain = Write(std::string_view(line).substr(3));
    }
    if (!plain)
        return std::nullopt;
    return Reply{*plain, SendableReply(*plain, form_)};
}

std::string SimDevice::Status() {
    drift_.Step(state_);
    state_.echo = drift_.NextEcho(state_.echo);
    return StatusReplyLine(StatusReadingOf(state_), state_.pending.has_value(), form_);
}

std::string SimDevice::Reset(std::string_view echoDigits) {
    // Only a command that echoes the latest status reply's number counts: it proves the sender has
    // seen this device's own answer, not a stale or stray one.
    ++resetCommands_;
    const bool acknowledged = ToInteger(echoDigits) == state_.echo && resetCommands_ >= resetAcknowledgedOn_;
    if (acknowledged) {
        resetCommands_ = 0;
        if (state_.pending)
            state_.current = *state_.pending;
        state_.pending.reset();
    }
    return ResetReplyLine(acknowledged, state_.pending.has_value(), form_);
}

std::optional<std::string> SimDevice::Write(std::string_view arguments) {
    // "000 address mask gateway": the three dotted quads follow the first blank-separated word.
    std::istringstream words{std::string(arguments)};
    std::string zeros, address, mask, gateway, extra;
    words >> zeros >> address >> mask >> gateway;
    const auto newAddress = ParseDecimalOctets(address);
    const auto newMask = ParseDecimalOctets(mask);
    const auto newGateway = ParseDecimalOctets(gateway);
    if (zeros != "000" || !newAddress || !newMask || !newGateway || (words >> extra))
        return std::nullopt;
    state_.pending = NetworkParameters{*newAddress, *newMask, *newGateway};
    return WriteReplyLine(state_.pending.has_value(), form_);
}

}  // namespace korva::sim
