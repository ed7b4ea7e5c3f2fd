#pragma once
// Datagrams pasted from a capture: hex digits, optionally separated by blanks or colons, as tcpdump and
// Wireshark print them ("30 31 30 30", "30:31:30:30", "30313030").
#include <optional>
#include <string>
#include <string_view>

namespace korva::ctl {

// The bytes, or nullopt when the line holds anything else or an odd number of digits.
std::optional<std::string> ParseHexLine(std::string_view line);

}  // namespace korva::ctl
