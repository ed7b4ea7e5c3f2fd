#pragma once
// The address, mask and gateway a write gives a device, and the checks they pass before they go out: a
// device given a broken address is out of reach until someone visits it. korvactl and the console word
// the problems each in its own language; the rules are these alone.
#include <cstdint>
#include <string>
#include <vector>

namespace korva {

// As typed (Windows-1252): dotted quads, plain or zero-padded.
struct NewParameters {
    std::string address;
    std::string mask;
    std::string gateway;
};

enum class ParameterBox { kAddress, kMask, kGateway };

enum class ParameterFault {
    kNotDottedQuad,         // not four decimal octets 0-255
    kMaskNotContiguous,     // not ones followed by zeros
    kMaskLeavesNoRoom,      // 0.0.0.0, /31, /32: no subnet with a device and a gateway in it
    kNetworkAddress,        // the subnet's own address
    kBroadcastAddress,      // the subnet's broadcast address
    kGatewayOutsideSubnet,  // not in the address's subnet
    kGatewayIsAddress,      // the device's own address
};

struct ParameterProblem {
    ParameterBox box;
    ParameterFault fault;

    bool operator==(const ParameterProblem&) const = default;
};

// Every problem, address first, then mask, then gateway; empty when the parameters can be written. A
// value that is no dotted quad stops the checks that need it; a mask that is no subnet stops the rest.
std::vector<ParameterProblem> CheckNewParameters(const NewParameters& parameters);

// The value of box in parameters.
const std::string& ValueIn(const NewParameters& parameters, ParameterBox box);

}  // namespace korva
