#include "tools/korvactl/new_parameters_check.h"

#include "protocol/ipv4_range.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace korva::ctl {
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

void CheckHost(const char* what, const std::string& text, std::uint32_t host, std::uint32_t mask,
               std::vector<std::string>& problems) {
    if ((host & ~mask) == 0)
        problems.push_back(std::string(what) + " " + text + " is the network address of its subnet");
    else if ((host & ~mask) == ~mask)
        problems.push_back(std::string(what) + " " + text + " is the broadcast address of its subnet");
}

}  // namespace

std::vector<std::string> CheckNewParameters(const NewParameters& parameters) {
    std::vector<std::string> problems;
    const auto address = ParseIpv4(parameters.address);
    const auto mask = ParseIpv4(parameters.mask);
    const auto gateway = ParseIpv4(parameters.gateway);
    const auto notOctets = [&](const char* what, const std::string& text) {
        problems.push_back(std::string(what) + " '" + text + "' is not four decimal octets 0-255");
    };
    if (!address)
        notOctets("address", parameters.address);
    if (!mask)
        notOctets("mask", parameters.mask);
    if (!gateway)
        notOctets("gateway", parameters.gateway);
    if (!mask)
        return problems;

    const auto prefix = PrefixLength(*mask);
    if (!prefix) {
        problems.push_back("mask " + parameters.mask + " is not contiguous (ones, then zeros)");
        return problems;
    }
    if (*prefix == 0 || *prefix > 30) {
        problems.push_back("mask " + parameters.mask + " leaves no subnet with room for a device and a gateway");
        return problems;
    }
    if (address)
        CheckHost("address", parameters.address, *address, *mask, problems);
    if (gateway)
        CheckHost("gateway", parameters.gateway, *gateway, *mask, problems);
    if (address && gateway) {
        if ((*address & *mask) != (*gateway & *mask))
            problems.push_back("gateway " + parameters.gateway + " is outside the subnet of " + parameters.address +
                               " with mask " + parameters.mask);
        else if (*address == *gateway)
            problems.push_back("gateway " + parameters.gateway + " is the device's own address");
    }
    return problems;
}

}  // namespace korva::ctl
