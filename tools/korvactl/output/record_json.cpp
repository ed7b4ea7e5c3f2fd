// Replies and records as JSON, and the JSON lines writer.
#include "protocol/cp1252.h"
#include "protocol/fields.h"
#include "protocol/reply_writer.h"
#include "protocol/unscramble.h"
#include "tools/common/time_text.h"
#include "tools/korvactl/output/record_writers.h"

namespace korva::ctl {

namespace {

nlohmann::ordered_json StatusJson(const StatusReading& status) {
    auto optionalLink = [](const std::optional<bool>& link) -> nlohmann::ordered_json {
        return link ? nlohmann::ordered_json(*link) : nlohmann::ordered_json(nullptr);
    };
    return {
        {"temperature", status.temperature},
        {"humidity", status.humidity},
        {"battery_tenths", status.batteryTenths},
        {"presence", status.presence},
        {"reset_state", status.resetState},
        {"link1", status.link1},
        {"link2", optionalLink(status.link2)},
        {"link3", optionalLink(status.link3)},
        {"echo", status.echo},
        {"changed", status.changed},
    };
}

nlohmann::ordered_json ParametersJson(const ParameterReading& parameters) {
    return {
        {"address", Cp1252ToUtf8(parameters.address)},   {"mask", Cp1252ToUtf8(parameters.mask)},
        {"gateway", Cp1252ToUtf8(parameters.gateway)},   {"mac", Cp1252ToUtf8(parameters.mac)},
        {"firmware", Cp1252ToUtf8(parameters.firmware)}, {"changed", parameters.changed},
    };
}

// The reply's keys, added to json after those already there: a sweep writes one record per device, and
// a decoded object copied key by key into the record cost more than the decoding.
void AddReply(nlohmann::ordered_json& json, const ReplyReading& reading) {
    json["plain"] = Cp1252ToUtf8(reading.plain);
    json["offset"] = reading.offset;
    json["version"] = reading.version;
    json["keyword"] = Cp1252ToUtf8(reading.keyword);
    json["changed_flag"] = reading.changedFlag;
    if (!reading.complete)
        json["error"] = language::English().Text(IncompleteReply(reading.kind));
    else if (reading.status)
        json["status"] = StatusJson(*reading.status);
    else if (reading.parameters)
        json["parameters"] = ParametersJson(*reading.parameters);
    else if (reading.resetAck)
        json["reset_ack"] = *reading.resetAck;
}

}  // namespace

ReplyReading ReadReply(std::string_view datagram) {
    // The console trims before decoding and ignores what is left empty; decoding does the same trim.
    const PlainReply reply = UnscrambleReply(Trim(datagram));
    const ReplyReader reader(reply.text, reply.headerOffset, reply.formatVersion);
    ReplyReading reading;
    reading.plain = reply.text;
    reading.offset = reply.headerOffset;
    reading.version = reply.formatVersion;
    reading.keyword = reader.Keyword();
    reading.changedFlag = reader.ChangedFlag();
    reading.kind = KindOfKeyword(reading.keyword);
    reading.complete = reader.Complete();
    if (!reading.complete)
        return reading;
    if (reading.kind == ReplyKind::kStatus)
        reading.status = reader.Status();
    else if (reading.kind == ReplyKind::kParameters)
        reading.parameters = reader.Parameters();
    else if (reading.kind == ReplyKind::kReset)
        reading.resetAck = reader.ResetAck();
    return reading;
}

nlohmann::ordered_json ReplyToJson(const ReplyReading& reading) {
    nlohmann::ordered_json json = nlohmann::ordered_json::object();
    AddReply(json, reading);
    return json;
}

nlohmann::ordered_json ReplyToJson(std::string_view datagram) {
    return ReplyToJson(ReadReply(datagram));
}

language::Message IncompleteReply(ReplyKind kind) {
    return kind == ReplyKind::kStatus ? language::Message("ctl.failure.incomplete_status")
                                      : language::Message("ctl.failure.incomplete_parameters");
}

Record SampleRecord(ReplyKind kind) {
    constexpr ScrambleForm kPlain{0, 0, 0};
    Record sample{{}, {}, {}, {}, std::nullopt};
    switch (kind) {
        case ReplyKind::kStatus:
            sample.reply = StatusReplyLine({}, false, kPlain);
            break;
        case ReplyKind::kParameters:
            sample.reply = ParameterReplyLine({}, kPlain);
            break;
        case ReplyKind::kReset:
            sample.reply = ResetReplyLine(true, false, kPlain);
            sample.resetCommands = 1;
            break;
        case ReplyKind::kWrite:
        case ReplyKind::kUnknown:
            sample.reply = WriteReplyLine(false, kPlain);
            break;
    }
    return sample;
}

// Failures in English, whatever the user's language: scripts read them.
nlohmann::ordered_json RecordToJson(const Record& record) {
    nlohmann::ordered_json json = {{"address", record.name}};
    if (!record.reply) {
        json["failed_at"] = tools::TimeText(record.at, tools::TimeStyle::kIsoUtc);
        json["error"] = language::English().Text(record.error);
        return json;
    }
    json["received_at"] = tools::TimeText(record.at, tools::TimeStyle::kIsoUtc);
    AddReply(json, ReadReply(*record.reply));
    // A refusal; a reply cut short has said so already, in the same words.
    if (!record.error.Empty())
        json["error"] = language::English().Text(record.error);
    if (record.resetCommands)
        json["reset_commands"] = *record.resetCommands;
    return json;
}

}  // namespace korva::ctl
