#pragma once
// A run of consecutive IPv4 addresses as people write them for a site: one address, a CIDR block
// ("10.1.2.0/24") or a first-last range ("10.1.2.10-10.1.2.60"). Shared by the simulator, which
// listens on such a run, and by korvactl, which searches one.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "protocol/address_text.h"

namespace korva {

struct Ipv4Range {
    std::uint32_t first = 0;  // host byte order
    std::uint64_t count = 0;  // a /0 holds 2^32 addresses, one more than a uint32_t counts

    std::uint32_t At(std::uint64_t index) const { return first + static_cast<std::uint32_t>(index); }
    bool Contains(std::uint32_t address) const { return address - first < count; }
    std::uint32_t Last() const { return At(count - 1); }
};

// Octets are decimal and at most three digits, as in every address box of the console. A CIDR block
// must start at its network address ("10.1.2.5/24" is refused: it usually means a typing slip), and a
// range's last address must not come before its first. nullopt when the text is none of the forms.
std::optional<Ipv4Range> ParseIpv4Range(std::string_view text);

// "10.1.2.3" for one address, "10.1.2.0-10.1.2.255" otherwise.
std::string Ipv4RangeText(const Ipv4Range& range);

}  // namespace korva
