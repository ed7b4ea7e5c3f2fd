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

void CheckHost(ParameterBox box, std::uint32_t host, std::uint32_t mask, std::vector<ParameterProblem>& problems) {
    if ((host & ~mask) == 0)
        problems.push_back({box, ParameterFault::kNetworkAddress});
    else if ((host & ~mask) == ~mask)
        problems.push_back({box, ParameterFault::kBroadcastAddress});
}

}  // namespace

std::vector<ParameterProblem> CheckNewParameters(const NewParameters& parameters) {
    std::vector<ParameterProblem> problems;
    const auto address = ParseIpv4(parameters.address);
    const auto mask = ParseIpv4(parameters.mask);
    const auto gateway = ParseIpv4(parameters.gateway);
    if (!address)
        problems.push_back({ParameterBox::kAddress, ParameterFault::kNotDottedQuad});
    if (!mask)
        problems.push_back({ParameterBox::kMask, ParameterFault::kNotDottedQuad});
    if (!gateway)
        problems.push_back({ParameterBox::kGateway, ParameterFault::kNotDottedQuad});
    if (!mask)
        return problems;

    const auto prefix = PrefixLength(*mask);
    if (!prefix) {
        problems.push_back({ParameterBox::kMask, ParameterFault::kMaskNotContiguous});
        return problems;
    }
    if (*prefix == 0 || *prefix > kLongestUsablePrefix) {
        problems.push_back({ParameterBox::kMask, ParameterFault::kMaskLeavesNoRoom});
        return problems;
    }
    if (address)
        CheckHost(ParameterBox::kAddress, *address, *mask, problems);
    if (gateway)
        CheckHost(ParameterBox::kGateway, *gateway, *mask, problems);
    if (address && gateway) {
        if ((*address & *mask) != (*gateway & *mask))
            problems.push_back({ParameterBox::kGateway, ParameterFault::kGatewayOutsideSubnet});
        else if (*address == *gateway)
            problems.push_back({ParameterBox::kGateway, ParameterFault::kGatewayIsAddress});
    }
    return problems;
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

}  // namespace korva
