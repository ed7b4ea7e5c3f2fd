#pragma once
// The address, mask and gateway a write gives a device, and the checks they pass before they go out: a
// device given a broken address is out of reach until someone visits it. korvactl and the console word
// the problems each in its own language; the rules are these alone.
#include <cstdint>
#include <optional>
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
    // Blocks no device can be reached at, for the address and the gateway alike:
    kThisNetwork,  // 0.0.0.0/8: "this network", a source address only
    kMulticast,    // 224.0.0.0/4: groups, never one host
    kReserved,     // 240.0.0.0/4, the limited broadcast 255.255.255.255 with it
    kLinkLocal,    // 169.254.0.0/16: given by a host to itself when nothing else did; never routed
    kLoopback,     // 127.0.0.0/8: the host itself, unless the device is a simulated one on this machine
};

struct ParameterProblem {
    ParameterBox box;
    ParameterFault fault;

    bool operator==(const ParameterProblem&) const = default;
};

// Where the device is now, resolved before the checks: loopback only for a device simulated on this
// machine, which may be moved to another loopback address.
enum class CurrentPlace { kNetwork, kLoopback };
CurrentPlace PlaceOf(std::uint32_t currentAddress);

// The three values as the checks read them, host byte order. A write command and the change it makes
// are built from these, so that what goes out is what was checked, read once.
struct CheckedParameters {
    std::uint32_t address = 0;
    std::uint32_t mask = 0;
    std::uint32_t gateway = 0;

    std::uint32_t In(ParameterBox box) const;
};

// What the checks found: every problem, address first, then mask, then gateway, and the values read
// when there is none. A value that is no dotted quad stops the checks that need it; a mask that is no
// subnet stops the rest.
struct ParameterCheck {
    std::vector<ParameterProblem> problems;
    std::optional<CheckedParameters> checked;  // exactly when problems is empty
};
ParameterCheck CheckWrite(const NewParameters& parameters, CurrentPlace current);

// CheckWrite's problems alone; empty when the parameters can be written.
std::vector<ParameterProblem> CheckNewParameters(const NewParameters& parameters, CurrentPlace current);

// The block that keeps address (host byte order) from being a device's or a gateway's: one of the faults
// from kThisNetwork on, or nullopt when it may be one.
std::optional<ParameterFault> UnreachableBlock(std::uint32_t address, CurrentPlace current);

// The value of box in parameters.
const std::string& ValueIn(const NewParameters& parameters, ParameterBox box);

}  // namespace korva
