#include "tools/korvactl/scan_ranges.h"

#include <algorithm>

namespace korva::ctl {

std::uint64_t ScanRanges::Distinct() const {
    std::uint64_t count = 0;
    for (const Ipv4Range& range : ranges)
        count += range.count;
    return count;
}

std::optional<ScanRanges> ReadScanRanges(const std::vector<std::string>& arguments, std::string& error) {
    std::vector<Ipv4Range> given;
    ScanRanges result;
    for (const std::string& argument : arguments) {
        const auto range = ParseIpv4Range(argument);
        if (!range) {
            error = "'" + argument +
                    "' is not an address, a CIDR block (10.1.2.0/24) or a first-last range (10.1.2.1-10.1.2.99)";
            return std::nullopt;
        }
        given.push_back(*range);
        result.named += range->count;
    }
    std::sort(given.begin(), given.end(), [](const Ipv4Range& a, const Ipv4Range& b) { return a.first < b.first; });
    for (const Ipv4Range& range : given) {
        // Compared as 64-bit ends, so that a range ending at 255.255.255.255 does not wrap.
        const std::uint64_t end = std::uint64_t{range.first} + range.count;
        if (!result.ranges.empty()) {
            Ipv4Range& last = result.ranges.back();
            const std::uint64_t lastEnd = std::uint64_t{last.first} + last.count;
            if (range.first <= lastEnd) {
                last.count = std::max(lastEnd, end) - last.first;
                continue;
            }
        }
        result.ranges.push_back(range);
    }
    return result;
}

}  // namespace korva::ctl
