#include "protocol/ipv4_range.h"

#include <charconv>

namespace korva {

namespace {

std::optional<Ipv4Range> ParseCidr(std::string_view address, std::string_view prefixText) {
    const auto first = ParseIpv4(address);
    int prefix = -1;
    const auto [end, error] = std::from_chars(prefixText.data(), prefixText.data() + prefixText.size(), prefix);
    if (!first || prefixText.empty() || prefixText.size() > 2 || error != std::errc() ||
        end != prefixText.data() + prefixText.size() || prefix < 0 || prefix > 32)
        return std::nullopt;
    const std::uint64_t count = std::uint64_t{1} << (32 - prefix);
    if ((*first & (count - 1)) != 0)
        return std::nullopt;
    return Ipv4Range{*first, count};
}

}  // namespace

std::optional<Ipv4Range> ParseIpv4Range(std::string_view text) {
    if (const std::size_t slash = text.find('/'); slash != std::string_view::npos)
        return ParseCidr(text.substr(0, slash), text.substr(slash + 1));
    if (const std::size_t dash = text.find('-'); dash != std::string_view::npos) {
        const auto first = ParseIpv4(text.substr(0, dash));
        const auto last = ParseIpv4(text.substr(dash + 1));
        if (!first || !last || *last < *first)
            return std::nullopt;
        return Ipv4Range{*first, std::uint64_t{*last} - *first + 1};
    }
    const auto address = ParseIpv4(text);
    if (!address)
        return std::nullopt;
    return Ipv4Range{*address, 1};
}

std::string Ipv4RangeText(const Ipv4Range& range) {
    return range.count == 1 ? Ipv4Text(range.first) : Ipv4Text(range.first) + "-" + Ipv4Text(range.Last());
}

}  // namespace korva
