#pragma once
// A received reply, decoded and interpreted, as one JSON object: what `korvactl` prints for every reply.
#include <nlohmann/json.hpp>

#include <string_view>

namespace korva::ctl {

// Keys: plain, offset, version, keyword, changed_flag and, by keyword, status / parameters / reset_ack.
// Device text is Windows-1252 and is converted to UTF-8 for JSON.
nlohmann::ordered_json ReplyToJson(std::string_view datagram);

}  // namespace korva::ctl
