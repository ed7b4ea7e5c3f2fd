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

const char* BoxName(ParameterBox box) {
    switch (box) {
        case ParameterBox::kAddress:
            return "address";
        case ParameterBox::kMask:
            return "mask";
        case ParameterBox::kGateway:
            break;
    }
    return "gateway";
}

std::string Sentence(const NewParameters& parameters, const ParameterProblem& problem) {
    const std::string what = BoxName(problem.box);
    const std::string& value = ValueIn(parameters, problem.box);
    switch (problem.fault) {
        case ParameterFault::kNotDottedQuad:
            return what + " '" + value + "' is not four decimal octets 0-255";
        case ParameterFault::kMaskNotContiguous:
            return what + " " + value + " is not contiguous (ones, then zeros)";
        case ParameterFault::kMaskLeavesNoRoom:
            return what + " " + value + " leaves no subnet with room for a device and a gateway";
        case ParameterFault::kNetworkAddress:
            return what + " " + value + " is the network address of its subnet";
        case ParameterFault::kBroadcastAddress:
            return what + " " + value + " is the broadcast address of its subnet";
        case ParameterFault::kGatewayOutsideSubnet:
            return what + " " + value + " is outside the subnet of " + parameters.address + " with mask " +
                   parameters.mask;
        case ParameterFault::kGatewayIsAddress:
            return what + " " + value + " is the device's own address";
        case ParameterFault::kThisNetwork:
            return what + " " + value + " is in 0.0.0.0/8, which means this network: no device has it";
        case ParameterFault::kMulticast:
            return what + " " + value + " is a multicast address (224.0.0.0/4): no device has it";
        case ParameterFault::kReserved:
            return what + " " + value + " is in the reserved block 240.0.0.0/4: no device has it";
        case ParameterFault::kLinkLocal:
            return what + " " + value + " is link-local (169.254.0.0/16): never reached through a gateway";
        case ParameterFault::kLoopback:
            break;
    }
    return what + " " + value + " is a loopback address (127.0.0.0/8), which only a device on loopback may take";
}

}  // namespace

std::vector<std::string> ParameterProblemTexts(const NewParameters& parameters, CurrentPlace current) {
    std::vector<std::string> texts;
    for (const ParameterProblem& problem : CheckNewParameters(parameters, current))
        texts.push_back(Sentence(parameters, problem));
    return texts;
}

namespace {

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::vector<std::string> Fields(const std::string& line, char delimiter) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = line.find(delimiter, start);
        fields.push_back(Trimmed(line.substr(start, end - start)));
        if (end == std::string::npos)
            return fields;
        start = end + 1;
    }
}

// Spreadsheets write CSV with the separator of their locale: a semicolon where the decimal mark is a
// comma, as in Portuguese, or a tab. The one the first line holds most often decides for the whole file.
char DetectDelimiter(const std::string& line) {
    char delimiter = ',';
    for (const char candidate : {';', '\t'}) {
        if (std::count(line.begin(), line.end(), candidate) > std::count(line.begin(), line.end(), delimiter))
            delimiter = candidate;
    }
    return delimiter;
}

std::string DelimiterName(char delimiter) {
    return delimiter == '\t' ? "tab" : std::string("'") + delimiter + "'";
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

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

std::optional<std::string> CanonicalMac(std::string_view text) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string mac;
    for (int octet = 0; octet < 6; ++octet) {
        if (octet > 0) {
            if (text.empty() || (text.front() != '-' && text.front() != ':'))
                return std::nullopt;
            text.remove_prefix(1);
        }
        int value = 0;
        std::size_t digits = 0;
        for (; digits < text.size() && digits < 3 && HexDigit(text[digits]) >= 0; ++digits)
            value = value * 16 + HexDigit(text[digits]);
        if (digits == 0 || digits > 2)
            return std::nullopt;
        text.remove_prefix(digits);
        if (octet > 0)
            mac += '-';
        mac += kDigits[value / 16];
        mac += kDigits[value % 16];
    }
    if (!text.empty())
        return std::nullopt;
    return mac;
}

Plan ReadPlan(std::istream& in) {
    Plan plan;
    std::string text;
    std::optional<char> delimiter;
    for (int number = 1; std::getline(in, text); ++number) {
        if (number == 1)
            text = WithoutByteOrderMark(text);
        text = Trimmed(text.substr(0, text.find('#')));
        if (text.empty())
            continue;
        if (!delimiter)
            delimiter = DetectDelimiter(text);
        const std::vector<std::string> fields = Fields(text, *delimiter);
        if (plan.rows.empty() && plan.problems.empty() && IsHeader(fields))
            continue;
        if (fields.size() != 4 && fields.size() != 5) {
            plan.problems.push_back("line " + std::to_string(number) +
                                    ": expected address,new_address,mask,gateway[,mac] separated by " +
                                    DelimiterName(*delimiter) + "; found " + std::to_string(fields.size()) +
                                    (fields.size() == 1 ? " field" : " fields"));
            continue;
        }
        plan.rows.push_back({number, fields[0], fields[1], fields[2], fields[3], fields.size() == 5 ? fields[4] : ""});
    }
    return plan;
}

std::vector<std::string> CheckPlan(const std::vector<PlanRow>& rows) {
    std::vector<std::string> problems;
    std::map<std::uint32_t, const PlanRow*> byAddress;
    std::map<std::uint32_t, const PlanRow*> byNewAddress;
    std::map<std::string, const PlanRow*> byMac;
    for (const PlanRow& row : rows) {
        const CurrentPlace current = PlaceOf(ParseIpv4(row.address).value_or(0));
        for (const std::string& problem : ParameterProblemTexts({row.newAddress, row.mask, row.gateway}, current))
            problems.push_back(LineName(row) + ": " + problem);
        if (!row.mac.empty()) {
            const auto mac = CanonicalMac(row.mac);
            if (!mac)
                problems.push_back(LineName(row) + ": MAC '" + row.mac +
                                   "' is not six hexadecimal octets between dashes or colons");
            else if (const auto [other, added] = byMac.try_emplace(*mac, &row); !added)
                problems.push_back(LineName(row) + ": MAC " + row.mac + " is also planned on line " +
                                   std::to_string(other->second->line));
        }
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
