#include "tools/korvactl/record_json.h"

#include "tools/common/time_text.h"
#include "tools/korvactl/reply_json.h"

namespace korva::ctl {

nlohmann::ordered_json RecordToJson(const Record& record) {
    nlohmann::ordered_json json = {{"address", record.name}};
    if (!record.reply) {
        json["failed_at"] = tools::TimeText(record.at, tools::TimeStyle::kIsoUtc);
        json["error"] = record.error;
        return json;
    }
    json["received_at"] = tools::TimeText(record.at, tools::TimeStyle::kIsoUtc);
    const nlohmann::ordered_json decoded = ReplyToJson(ReadReply(*record.reply));
    for (const auto& [key, value] : decoded.items())
        json[key] = value;
    if (record.resetCommands)
        json["reset_commands"] = *record.resetCommands;
    return json;
}

}  // namespace korva::ctl
