#include "transport/host_address.h"

#include "protocol/address_text.h"
#include "transport/name_resolver.h"
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

std::optional<std::uint32_t> AddressWithoutLookUp(std::string_view host) {
    if (EqualsIgnoringCase(host, "LOCALHOST"))
        return kLoopback;
    return ParseDecimalDottedAddress(host);
}

std::uint32_t ResolveHost(std::string_view host) {
    if (const auto address = AddressWithoutLookUp(host))
        return *address;
    if (const auto found = SystemResolver()->LookUp(std::string(host)))
        return *found;
    throw SocketErrorFromCode(kHostNotFound);
}

}  // namespace korva::transport
