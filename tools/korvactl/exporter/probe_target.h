#pragma once
// What a probe's target may be: Prometheus passes it from its configuration, and anyone who can reach
// the exporter may pass anything.
#include "protocol/ipv4_range.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korva::ctl {

// A target as written: an IPv4 address in one of its numeric forms (or "localhost"), which needs no
// resolver, or else a host name.
struct TargetText {
    std::optional<std::uint32_t> address;  // host byte order
    bool IsName() const { return !address; }
};

// nullopt with the reason when the text cannot name a device: longer than a host name may be, with a
// colon (a port or an IPv6 address: devices are asked on their own port, over IPv4), or with bytes
// outside printable ASCII.
std::optional<TargetText> ReadTargetText(const std::string& text, std::string& reason);

// Why the target text, found to be address, names no device, or empty when a device may have it: an
// address no device has (0.0.0.0/8, multicast, 240.0.0.0/4 and the broadcast address).
std::string UnusableTarget(const std::string& text, std::uint32_t address);

// Why the target is outside allowed (--allow-targets), or empty when it is inside or allowed is empty.
std::string DisallowedTarget(const std::string& text, std::uint32_t address, const std::vector<Ipv4Range>& allowed);

// 'text' with every byte outside printable ASCII written as \xHH, to be quoted in a message; a text
// longer than a host name is cut there and ends in "...".
std::string Quoted(const std::string& text);

}  // namespace korva::ctl
