#include "transport/host_address.h"

#include "protocol/address_text.h"
#include "transport/name_lookup.h"
#include "transport/socket_errors.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace korva::transport {
namespace {

constexpr std::uint32_t kLoopback = 0x7F000001;

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
    });
}

std::uint32_t LookUpHostName(std::string_view host) {
    // The resolver stops at the first NUL byte and would look up only the name's beginning.
    if (host.find('\0') != std::string_view::npos)
        throw SocketErrorFromCode(kHostNotFound);
    const auto address = LookUpIPv4(std::string(host));
    if (!address)
        throw SocketErrorFromCode(kHostNotFound);
    return *address;
}

}  // namespace

std::optional<std::uint32_t> ParseDecimalDottedAddress(std::string_view text) {
    const auto parts = ParseSeparatedNumbers(text, {.separator = '.', .base = 10, .maxParts = 4});
    if (!parts)
        return std::nullopt;
    // Every part but the last is one byte; the last fills the bytes that are left.
    std::uint32_t address = 0;
    const std::size_t last = parts->count - 1;
    for (std::size_t i = 0; i < last; ++i) {
        if (parts->values[i] > 0xFF)
            return std::nullopt;
        address |= static_cast<std::uint32_t>(parts->values[i]) << (8 * (3 - i));
    }
    const std::size_t remainingBits = 8 * (4 - last);
    const std::uint64_t lastLimit = (std::uint64_t{1} << remainingBits) - 1;
    if (parts->values[last] > lastLimit)
        return std::nullopt;
    return address | static_cast<std::uint32_t>(parts->values[last]);
}

std::uint32_t ResolveHost(std::string_view host) {
    if (EqualsIgnoringCase(host, "LOCALHOST"))
        return kLoopback;
    if (const auto numeric = ParseDecimalDottedAddress(host))
        return *numeric;
    return LookUpHostName(host);
}

}  // namespace korva::transport
