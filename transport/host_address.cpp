#include "transport/host_address.h"

#include "transport/name_lookup.h"
#include "transport/socket_errors.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

namespace korva::transport {
namespace {

constexpr std::uint32_t kLoopback = 0x7F000001;

std::optional<std::uint32_t> ParseDecimalPart(std::string_view part, std::uint32_t limit) {
    if (part.empty())
        return std::nullopt;
    std::uint64_t value = 0;
    for (char c : part) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value > limit)
            return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

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
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t dot = text.find('.', start);
        parts.push_back(text.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start));
        if (dot == std::string_view::npos)
            break;
        start = dot + 1;
    }
    if (parts.size() > 4)
        return std::nullopt;

    // Every part but the last is one byte; the last fills the bytes that are left.
    std::uint32_t address = 0;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        const auto byte = ParseDecimalPart(parts[i], 0xFF);
        if (!byte)
            return std::nullopt;
        address |= *byte << (8 * (3 - i));
    }
    const std::size_t remainingBits = 8 * (5 - parts.size());
    const std::uint32_t lastLimit = remainingBits >= 32 ? 0xFFFFFFFFu : (std::uint32_t{1} << remainingBits) - 1;
    const auto last = ParseDecimalPart(parts.back(), lastLimit);
    if (!last)
        return std::nullopt;
    return address | *last;
}

std::uint32_t ResolveHost(std::string_view host) {
    if (EqualsIgnoringCase(host, "LOCALHOST"))
        return kLoopback;
    if (const auto numeric = ParseDecimalDottedAddress(host))
        return *numeric;
    return LookUpHostName(host);
}

}  // namespace korva::transport
