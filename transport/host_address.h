#pragma once
// Where a request goes: the host text of an address box turned into an IPv4 address.
#include <cstdint>
#include <optional>
#include <string_view>

namespace korva::transport {

// The classic numeric forms a, a.b, a.b.c and a.b.c.d, where the last part fills the remaining bytes,
// with every part read as a decimal number. Unlike inet_aton, a leading zero does not mean octal: a
// device address typed with three digits per octet ('192.168.000.010') must stay 192.168.0.10.
// The result is in host byte order; nullopt when the text is not such a form (blanks included).
std::optional<std::uint32_t> ParseDecimalDottedAddress(std::string_view text);

// What host names without asking a resolver: "LOCALHOST" in any letter case, or a decimal dotted form.
// nullopt for a name to look up.
std::optional<std::uint32_t> AddressWithoutLookUp(std::string_view host);

// AddressWithoutLookUp, else the system's resolver (IPv4, the first address found), on this thread. Host
// byte order. Throws SocketError 11001 when the resolver finds nothing.
std::uint32_t ResolveHost(std::string_view host);

}  // namespace korva::transport
