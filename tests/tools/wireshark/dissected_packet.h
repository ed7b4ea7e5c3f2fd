#pragma once
// What the dissector shows for one packet, as tshark's JSON reports it, and what it should show: the
// readings of `korvactl decode` for a reply, the builder's arguments for a request.
#include "tests/tools/wireshark/datagram_corpus.h"

#include <nlohmann/json.hpp>

#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace korva::wireshark_testing {

struct DissectedPacket {
    bool dissected = false;                                  // the packet has a korva tree at all
    std::map<std::string, std::vector<std::string>> fields;  // korva.* field -> values, as tshark prints them
    std::set<std::string> experts;                           // korva.* expert infos
    bool malformed = false;                                  // Wireshark marked the packet malformed

    bool operator==(const DissectedPacket&) const = default;
};

// One entry per packet of `tshark -T json --no-duplicate-keys`, in capture order.
std::vector<DissectedPacket> ReadTsharkJson(std::string_view json);

DissectedPacket ExpectedForReply(const nlohmann::json& decoded, std::string_view datagram);
DissectedPacket ExpectedForRequest(const RequestMeaning& request);

std::string Describe(const DissectedPacket& packet);

}  // namespace korva::wireshark_testing
