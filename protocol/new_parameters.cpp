#include "protocol/new_parameters.h"

#include <optional>

#include "protocol/address_text.h"

namespace korva {
namespace {

// The prefix length of a mask of contiguous ones followed by zeros; nullopt for any other mask.
std::optional<int> PrefixLength(std::uint32_t mask) {
    const std::uint32_t hostBits = ~mask;
    if ((hostBits & (hostBits + 1)) != 0)
        return std::nullopt;
    int length = 0;
    for (std::uint32_t bit = 0x80000000u; bit != 0 && (mask & bit) != 0; bit >>= 1)
        ++length;
    return length;
}

// A /30 is the smallest subnet that holds a device and a gateway beside its network and broadcast addresses.
constexpr int kLongestUsablePrefix = 30;

// A block of addresses as its first address and prefix length.
struct Block {
    std::uint32_t first;
    int prefix;
    ParameterFault fault;

    bool Contains(std::uint32_t address) const { return (address ^ first) >> (32 - prefix) == 0; }
};
constexpr Block kUnreachableBlocks[] = {
    {0x00000000, 8, ParameterFault::kThisNetwork}, {0xE0000000, 4, ParameterFault::kMulticast},
    {0xF0000000, 4, ParameterFault::kReserved},    {0xA9FE0000, 16, ParameterFault::kLinkLocal},
    {0x7F000000, 8, ParameterFault::kLoopback},
};

void CheckHost(ParameterBox box, std::uint32_t host, std::uint32_t mask, std::vector<ParameterProblem>& problems) {
    if ((host & ~mask) == 0)
        problems.push_back({box, ParameterFault::kNetworkAddress});
    else if ((host & ~mask) == ~mask)
        problems.push_back({box, ParameterFault::kBroadcastAddress});
}

// A value in a block no device is reached at is refused for that alone: its place in the subnet would
// add nothing to say.
bool RefusedBlock(ParameterBox box, std::optional<std::uint32_t> value, CurrentPlace current,
                  std::vector<ParameterProblem>& problems) {
    if (!value)
        return false;
    const auto fault = UnreachableBlock(*value, current);
    if (fault)
        problems.push_back({box, *fault});
    return fault.has_value();
}

}  // namespace

CurrentPlace PlaceOf(std::uint32_t currentAddress) {
    return currentAddress >> 24 == 127 ? CurrentPlace::kLoopback : CurrentPlace::kNetwork;
}

std::optional<ParameterFault> UnreachableBlock(std::uint32_t address, CurrentPlace current) {
    for (const Block& block : kUnreachableBlocks) {
        if (block.Contains(address) &&
            !(block.fault == ParameterFault::kLoopback && current == CurrentPlace::kLoopback))
            return block.fault;
    }
    return std::nullopt;
}

ParameterCheck CheckWrite(const NewParameters& parameters, CurrentPlace current) {
    ParameterCheck check;
    std::vector<ParameterProblem>& problems = check.problems;
    const auto address = ParseIpv4(parameters.address);
    const auto mask = ParseIpv4(parameters.mask);
    const auto gateway = ParseIpv4(parameters.gateway);
    if (!address)
        problems.push_back({ParameterBox::kAddress, ParameterFault::kNotDottedQuad});
    const bool addressRefused = RefusedBlock(ParameterBox::kAddress, address, current, problems);
    if (!mask)
        problems.push_back({ParameterBox::kMask, ParameterFault::kNotDottedQuad});
    if (!gateway)
        problems.push_back({ParameterBox::kGateway, ParameterFault::kNotDottedQuad});
    const bool gatewayRefused = RefusedBlock(ParameterBox::kGateway, gateway, current, problems);
    if (!mask)
        return check;

    const auto prefix = PrefixLength(*mask);
    if (!prefix) {
        problems.push_back({ParameterBox::kMask, ParameterFault::kMaskNotContiguous});
        return check;
    }
    if (*prefix == 0 || *prefix > kLongestUsablePrefix) {
        problems.push_back({ParameterBox::kMask, ParameterFault::kMaskLeavesNoRoom});
        return check;
    }
    if (address && !addressRefused)
        CheckHost(ParameterBox::kAddress, *address, *mask, problems);
    if (gateway && !gatewayRefused)
        CheckHost(ParameterBox::kGateway, *gateway, *mask, problems);
    if (address && gateway) {
        if ((*address & *mask) != (*gateway & *mask))
            problems.push_back({ParameterBox::kGateway, ParameterFault::kGatewayOutsideSubnet});
        else if (*address == *gateway)
            problems.push_back({ParameterBox::kGateway, ParameterFault::kGatewayIsAddress});
    }
    if (problems.empty())
        check.checked = CheckedParameters{*address, *mask, *gateway};
    return check;
}

std::vector<ParameterProblem> CheckNewParameters(const NewParameters& parameters, CurrentPlace current) {
    return CheckWrite(parameters, current).problems;
}

const std::string& ValueIn(const NewParameters& parameters, ParameterBox box) {
    switch (box) {
        case ParameterBox::kAddress:
            return parameters.address;
        case ParameterBox::kMask:
            return parameters.mask;
        case ParameterBox::kGateway:
            break;
    }
    return parameters.gateway;
}

std::uint32_t CheckedParameters::In(ParameterBox box) const {
    switch (box) {
        case ParameterBox::kAddress:
            return address;
        case ParameterBox::kMask:
            return mask;
        case ParameterBox::kGateway:
            break;
    }
    return gateway;
}

}  // namespace korva
