// The checks of new parameters, and apply's plan file.
#include "protocol/ipv4_range.h"
#include "tools/korvactl/inputs/input_file.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <istream>
#include <map>
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

namespace {

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = line.find(',', start);
        fields.push_back(Trimmed(line.substr(start, comma - start)));
        if (comma == std::string::npos)
            return fields;
        start = comma + 1;
    }
}

bool IsHeader(const std::vector<std::string>& fields) {
    std::string first = fields.front();
    std::transform(first.begin(), first.end(), first.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return first == "address";
}

std::string LineName(const PlanRow& row) {
    return "line " + std::to_string(row.line) + " (" + row.address + ")";
}

}  // namespace

Plan ReadPlan(std::istream& in) {
    Plan plan;
    std::string text;
    for (int number = 1; std::getline(in, text); ++number) {
        text = Trimmed(text.substr(0, text.find('#')));
        if (text.empty())
            continue;
        const std::vector<std::string> fields = Fields(text);
        if (plan.rows.empty() && plan.problems.empty() && IsHeader(fields))
            continue;
        if (fields.size() != 4) {
            plan.problems.push_back("line " + std::to_string(number) +
                                    ": expected address,new_address,mask,gateway; found " +
                                    std::to_string(fields.size()) + (fields.size() == 1 ? " field" : " fields"));
            continue;
        }
        plan.rows.push_back({number, fields[0], fields[1], fields[2], fields[3]});
    }
    return plan;
}

std::vector<std::string> CheckPlan(const std::vector<PlanRow>& rows) {
    std::vector<std::string> problems;
    std::map<std::uint32_t, const PlanRow*> byAddress;
    std::map<std::uint32_t, const PlanRow*> byNewAddress;
    for (const PlanRow& row : rows) {
        for (const std::string& problem : CheckNewParameters({row.newAddress, row.mask, row.gateway}))
            problems.push_back(LineName(row) + ": " + problem);
        const auto address = ParseIpv4(row.address);
        if (!address) {
            problems.push_back("line " + std::to_string(row.line) + ": address '" + row.address +
                               "' is not four decimal octets 0-255");
        } else if (const auto [other, added] = byAddress.try_emplace(*address, &row); !added) {
            problems.push_back(LineName(row) + ": the same device is planned on line " +
                               std::to_string(other->second->line));
        }
        if (const auto newAddress = ParseIpv4(row.newAddress)) {
            if (const auto [other, added] = byNewAddress.try_emplace(*newAddress, &row); !added)
                problems.push_back(LineName(row) + ": new address " + row.newAddress + " is also planned for " +
                                   other->second->address + " on line " + std::to_string(other->second->line));
        }
    }
    // A device planned to take the address another device of the plan holds now: the two would answer on
    // one address if that other device were not moved first, and a plan has no order.
    for (const PlanRow& row : rows) {
        const auto newAddress = ParseIpv4(row.newAddress);
        const auto address = ParseIpv4(row.address);
        if (!newAddress || newAddress == address)
            continue;
        if (const auto holder = byAddress.find(*newAddress); holder != byAddress.end())
            problems.push_back(LineName(row) + ": new address " + row.newAddress + " is where the device of line " +
                               std::to_string(holder->second->line) + " is now");
    }
    return problems;
}

}  // namespace korva::ctl
