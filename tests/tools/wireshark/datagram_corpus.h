#pragma once
// The datagrams a capture of Korva traffic may hold: every request the console builds, every reply
// kind in every form (complete, with fields missing, with fields added), blanks, empty datagrams,
// random bytes and datagrams too long for the console.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korva::wireshark_testing {

// What a request was built from: what a reader of the capture should be shown.
struct RequestMeaning {
    std::string kind;  // "live data", "parameters, manual", "parameters, automatic", "reset", "write"
    std::optional<std::int32_t> echo = std::nullopt;
    std::optional<std::string> newAddress = std::nullopt;  // as sent: zero-padded dotted quads
    std::optional<std::string> newMask = std::nullopt;
    std::optional<std::string> newGateway = std::nullopt;
};

struct Datagram {
    std::string bytes;
    std::optional<RequestMeaning> request;  // nullopt: a datagram from the device
    std::string origin;                     // how it was made, for messages
};

// The same seed gives the same datagrams.
std::vector<Datagram> BuildCorpus(std::uint32_t seed);

}  // namespace korva::wireshark_testing
