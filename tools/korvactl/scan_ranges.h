#pragma once
// The addresses a search covers: the ranges given, in address order, each address once however often
// the ranges name it.
#include "protocol/ipv4_range.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korva::ctl {

struct ScanRanges {
    std::vector<Ipv4Range> ranges;  // sorted, neither overlapping nor touching
    std::uint64_t named = 0;        // addresses as the arguments count them, repeats included

    std::uint64_t Distinct() const;
};

// nullopt, with the reason in error, when an argument is not an address, a CIDR block or a range.
std::optional<ScanRanges> ReadScanRanges(const std::vector<std::string>& arguments, std::string& error);

}  // namespace korva::ctl
