#pragma once
// The device's side of the requests in messages.h: what a request line asks for, so that the
// simulated device reads exactly what the console's builders write.
#include <cstdint>
#include <optional>
#include <string_view>

namespace korva {

enum class RequestKind { kLiveData, kParameters, kReset, kWrite };

struct Request {
    RequestKind kind = RequestKind::kLiveData;
    std::int32_t echo = 0;  // reset: the echo number it carries, 0 when that is no number
    // write: the new address, mask and gateway, host byte order
    std::uint32_t address = 0;
    std::uint32_t mask = 0;
    std::uint32_t gateway = 0;
};

// A request line as received, blanks and line end included. The keyword's letter case does not
// matter, and live data and parameter requests are known by their keyword alone. nullopt for a line
// a device does not answer: another keyword, a reset without "rst000005", a write that is not "000"
// and three dotted quads.
std::optional<Request> ReadRequest(std::string_view line);

}  // namespace korva
