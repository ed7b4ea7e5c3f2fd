#include "tools/korvactl/exporter/probe_target.h"

#include "protocol/address_text.h"
#include "transport/host_address.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace korva::ctl {

namespace {

// The longest a host name can be.
constexpr std::size_t kLongestTarget = 253;

bool PrintableAscii(char c) {
    return c >= ' ' && c <= '~';
}

// What kind of address no device can have this is, or empty when a device can.
std::string UnusableAddress(std::uint32_t address) {
    const std::uint32_t first = address >> 24;
    if (first == 0)
        return "an address of 0.0.0.0/8, which means this network";
    if (address == 0xFFFFFFFF)
        return "the broadcast address";
    if (first >= 224 && first <= 239)
        return "a multicast address";
    if (first >= 240)
        return "a reserved address (240.0.0.0/4)";
    return {};
}

}  // namespace

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text.substr(0, kLongestTarget)) {
        if (PrintableAscii(c) && c != '\\') {
            quoted += c;
        } else {
            char escape[5];
            std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned char>(c));
            quoted += escape;
        }
    }
    quoted += "'";
    return text.size() > kLongestTarget ? quoted + "..." : quoted;
}

std::optional<TargetText> ReadTargetText(const std::string& text, std::string& reason) {
    if (text.size() > kLongestTarget) {
        reason = "the target " + Quoted(text) + " is longer than a host name may be (" +
                 std::to_string(kLongestTarget) + " characters)";
        return std::nullopt;
    }
    if (text.find(':') != std::string::npos) {
        reason = "the target " + Quoted(text) +
                 " has a colon: give the device's IPv4 address or host name alone; devices are asked on their "
                 "own port, over IPv4";
        return std::nullopt;
    }
    if (!std::all_of(text.begin(), text.end(), PrintableAscii)) {
        reason = "the target " + Quoted(text) + " is not an IPv4 address or host name";
        return std::nullopt;
    }
    if (const auto numeric = transport::ParseDecimalDottedAddress(text))
        return TargetText{numeric};
    // "localhost" in any letter case, as every korvactl command takes it, without asking the resolver.
    std::string lower = text;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    return TargetText{lower == "localhost" ? std::optional<std::uint32_t>(0x7F000001) : std::nullopt};
}

std::string UnusableTarget(const std::string& text, std::uint32_t address) {
    const std::string unusable = UnusableAddress(address);
    if (unusable.empty())
        return {};
    return "the target " + Quoted(text) + " is " + Ipv4Text(address) + ", " + unusable + ": no device has it";
}

std::string DisallowedTarget(const std::string& text, std::uint32_t address, const std::vector<Ipv4Range>& allowed) {
    if (allowed.empty() ||
        std::any_of(allowed.begin(), allowed.end(), [address](const Ipv4Range& r) { return r.Contains(address); }))
        return {};
    return "the target " + Quoted(text) + " is " + Ipv4Text(address) +
           ", outside the addresses this exporter may probe (--allow-targets)";
}

}  // namespace korva::ctl
