#pragma once
// The addresses a command talks to: devices named and resolved, or every address of a search's ranges.
#include "language/catalogue.h"
#include "protocol/ipv4_range.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korva::ctl {

// The devices a command talks to: each name the user gave, resolved once up front. Replies are told
// apart by their sender's address, and requests go only to these addresses.
struct DeviceTarget {
    std::string name;     // as the user typed it
    std::string address;  // dotted quad; empty when the name could not be resolved
    std::string error;    // why not
};

// Resolves every name ("localhost", dotted quads, host names). A name that resolves to an address
// already in the list is left out with a warning on warnings, in the language of texts: its replies could
// not be told apart.
std::vector<DeviceTarget> ResolveTargets(const std::vector<std::string>& names, const language::Catalogue& texts,
                                         std::vector<std::string>& warnings);
DeviceTarget ResolveTarget(const std::string& name);

// Four numbers between dots with one over 255 ("999.1.1.1"): no address, and no host name either, so it
// is refused as a bad value before any name is looked up.
bool IsDottedQuadOutOfRange(std::string_view name);

// "Socket Error # 11001" CR LF "Host not found." as one line: "Socket Error # 11001 Host not found."
std::string OneLine(std::string message);

// The addresses a search covers: the ranges given, in address order, each address once however often
// the ranges name it.
struct ScanRanges {
    std::vector<Ipv4Range> ranges;  // sorted, neither overlapping nor touching
    std::uint64_t named = 0;        // addresses as the arguments count them, repeats included

    std::uint64_t Distinct() const;
};

// nullopt, with the reason in error in the language of texts, when an argument is not an address, a CIDR
// block or a range.
std::optional<ScanRanges> ReadScanRanges(const std::vector<std::string>& arguments, const language::Catalogue& texts,
                                         std::string& error);

}  // namespace korva::ctl
