#pragma once
// What a probe's target may be: Prometheus passes it from its configuration, and anyone who can reach
// the exporter may pass anything.
#include "tools/korvactl/inputs/device_target.h"

#include <optional>
#include <string>

namespace korva::ctl {

// The device the target names, resolved, or nullopt with the reason when no device can be there: a
// text longer than a host name may be, one with a colon (a port or an IPv6 address: devices are
// asked on their own port, over IPv4), bytes outside printable ASCII, a name that does not resolve,
// or an address no device has (0.0.0.0/8, multicast, 240.0.0.0/4 and the broadcast address).
std::optional<DeviceTarget> ProbeTarget(const std::string& text, std::string& reason);

// text with every byte outside printable ASCII written as \xHH, to be quoted in a message.
std::string Printable(const std::string& text);

}  // namespace korva::ctl
