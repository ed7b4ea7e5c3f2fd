#pragma once
// A received reply, decoded and interpreted once: what `korvactl` prints for every reply, as JSON or in
// a table.
#include "protocol/messages.h"
#include "protocol/reply_format.h"

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <string_view>

namespace korva::ctl {

// Texts are the device's own, Windows-1252; each output converts them as it needs.
struct ReplyReading {
    std::string plain;
    int offset = 0;
    int version = 0;
    std::string keyword;
    bool changedFlag = false;
    ReplyKind kind = ReplyKind::kUnknown;
    std::optional<StatusReading> status;         // kStatus
    std::optional<ParameterReading> parameters;  // kParameters
    std::optional<bool> resetAck;                // kReset
};

ReplyReading ReadReply(std::string_view datagram);

// Keys: plain, offset, version, keyword, changed_flag and, by keyword, status / parameters / reset_ack.
// Device text is converted to UTF-8 for JSON.
nlohmann::ordered_json ReplyToJson(const ReplyReading& reading);
nlohmann::ordered_json ReplyToJson(std::string_view datagram);

}  // namespace korva::ctl
