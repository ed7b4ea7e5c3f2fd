#pragma once
// The system's resolver, asked for a host name's first IPv4 address.
#include <cstdint>
#include <optional>
#include <string>

namespace korva::transport {

// Host byte order; nullopt when the resolver finds nothing.
std::optional<std::uint32_t> LookUpIPv4(const std::string& name);

}  // namespace korva::transport
