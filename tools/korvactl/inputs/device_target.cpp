// Resolving the devices named, and reading a search's ranges.
#include "tools/korvactl/inputs/device_target.h"

#include "protocol/address_text.h"
#include "transport/host_address.h"
#include "transport/udp_endpoint.h"

#include <algorithm>
#include <unordered_map>

namespace korva::ctl {

std::string OneLine(std::string message) {
    for (std::size_t at; (at = message.find("\r\n")) != std::string::npos;)
        message.replace(at, 2, " ");
    std::replace(message.begin(), message.end(), '\r', ' ');
    std::replace(message.begin(), message.end(), '\n', ' ');
    while (!message.empty() && message.back() == ' ')
        message.pop_back();
    return message;
}

DeviceTarget ResolveTarget(const std::string& name) {
    DeviceTarget target{name, {}, {}};
    try {
        target.address = Ipv4Text(transport::ResolveHost(name));
    } catch (const transport::SocketError& error) {
        target.error = OneLine(error.what());
    }
    return target;
}

bool IsDottedQuadOutOfRange(std::string_view name) {
    const auto numbers = ParseSeparatedNumbers(name, NumberShape{});
    return numbers && numbers->count == 4 && !ParseIpv4(name);
}

std::vector<DeviceTarget> ResolveTargets(const std::vector<std::string>& names, const language::Catalogue& texts,
                                         std::vector<std::string>& warnings) {
    std::vector<DeviceTarget> targets;
    // Lists of many thousand devices come from files; a search through the targets for each name
    // made the check quadratic.
    std::unordered_map<std::string, std::size_t> targetOfAddress;
    for (const std::string& name : names) {
        DeviceTarget target = ResolveTarget(name);
        if (!target.address.empty()) {
            const auto [known, added] = targetOfAddress.try_emplace(target.address, targets.size());
            if (!added) {
                warnings.push_back(texts.Text(
                    {"ctl.same_address",
                     {{"name", name}, {"address", target.address}, {"other", targets[known->second].name}}}));
                continue;
            }
        }
        targets.push_back(std::move(target));
    }
    return targets;
}

std::uint64_t ScanRanges::Distinct() const {
    std::uint64_t count = 0;
    for (const Ipv4Range& range : ranges)
        count += range.count;
    return count;
}

std::optional<ScanRanges> ReadScanRanges(const std::vector<std::string>& arguments, const language::Catalogue& texts,
                                         std::string& error) {
    std::vector<Ipv4Range> given;
    ScanRanges result;
    for (const std::string& argument : arguments) {
        const auto range = ParseIpv4Range(argument);
        if (!range) {
            error = texts.Text({"ctl.scan.bad_range", {{"range", argument}}});
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
