#include "tools/korvactl/exporter/probe_target.h"

#include "protocol/address_text.h"

#include <algorithm>
#include <cstdio>

namespace korva::ctl {

namespace {

// The longest a host name can be.
constexpr std::size_t kLongestTarget = 253;

bool PrintableAscii(char c) {
    return c >= ' ' && c <= '~';
}

// The address comes from the resolver, written by Ipv4Text: always a dotted quad.
std::uint32_t FirstOctet(const std::string& dottedQuad) {
    return ParseIpv4(dottedQuad).value_or(0) >> 24;
}

// What kind of address no device can have this is, or empty when a device can.
std::string UnusableAddress(const std::string& address) {
    const std::uint32_t first = FirstOctet(address);
    if (first == 0)
        return "an address of 0.0.0.0/8, which means this network";
    if (address == "255.255.255.255")
        return "the broadcast address";
    if (first >= 224 && first <= 239)
        return "a multicast address";
    if (first >= 240)
        return "a reserved address (240.0.0.0/4)";
    return {};
}

}  // namespace

std::string Printable(const std::string& text) {
    std::string printable;
    for (const char c : text) {
        if (PrintableAscii(c) && c != '\\') {
            printable += c;
        } else {
            char escape[5];
            std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned char>(c));
            printable += escape;
        }
    }
    return printable;
}

std::optional<DeviceTarget> ProbeTarget(const std::string& text, std::string& reason) {
    const std::string quoted = "'" + Printable(text.substr(0, kLongestTarget)) + "'";
    if (text.size() > kLongestTarget) {
        reason = "the target " + quoted + "... is longer than a host name may be (" +
                 std::to_string(kLongestTarget) + " characters)";
        return std::nullopt;
    }
    if (text.find(':') != std::string::npos) {
        reason = "the target " + quoted +
                 " has a colon: give the device's IPv4 address or host name alone; devices are asked on their "
                 "own port, over IPv4";
        return std::nullopt;
    }
    if (!std::all_of(text.begin(), text.end(), PrintableAscii)) {
        reason = "the target " + quoted + " is not an IPv4 address or host name";
        return std::nullopt;
    }
    DeviceTarget target = ResolveTarget(text);
    if (!target.error.empty()) {
        reason = "cannot resolve the target " + quoted + ": " + target.error;
        return std::nullopt;
    }
    if (std::string unusable = UnusableAddress(target.address); !unusable.empty()) {
        reason = "the target " + quoted + " is " + target.address + ", " + unusable + ": no device has it";
        return std::nullopt;
    }
    return target;
}

}  // namespace korva::ctl
