#include "tools/korvactl/record_json.h"

#include "tools/korvactl/reply_json.h"

#include <ctime>
#include <iomanip>
#include <sstream>

namespace korva::ctl {

std::string IsoUtcText(WallTime time) {
    const auto since = time.time_since_epoch();
    const std::time_t seconds = std::chrono::duration_cast<std::chrono::seconds>(since).count();
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(since).count() % 1000;
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    std::ostringstream text;
    text << std::put_time(&utc, "%Y-%m-%dT%H:%M:%S") << '.' << std::setw(3) << std::setfill('0') << millis << 'Z';
    return text.str();
}

nlohmann::ordered_json RecordToJson(const Record& record) {
    nlohmann::ordered_json json = {{"address", record.name}};
    if (!record.reply) {
        json["failed_at"] = IsoUtcText(record.at);
        json["error"] = record.error;
        return json;
    }
    json["received_at"] = IsoUtcText(record.at);
    const nlohmann::ordered_json decoded = ReplyToJson(*record.reply);
    for (const auto& [key, value] : decoded.items())
        json[key] = value;
    if (record.resetCommands)
        json["reset_commands"] = *record.resetCommands;
    return json;
}

}  // namespace korva::ctl
