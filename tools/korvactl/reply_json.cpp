#include "tools/korvactl/reply_json.h"

#include "protocol/cp1252.h"
#include "protocol/messages.h"
#include "protocol/text_fields.h"
#include "protocol/unscramble.h"

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

}  // namespace

nlohmann::ordered_json ReplyToJson(std::string_view datagram) {
    // The console trims before decoding and ignores what is left empty; decoding does the same trim.
    const PlainReply reply = UnscrambleReply(Trim(datagram));
    const int h = reply.headerOffset;
    const std::string keyword = ReplyKeyword(reply.text, h);

    nlohmann::ordered_json json = {
        {"plain", Cp1252ToUtf8(reply.text)},
        {"offset", h},
        {"version", reply.formatVersion},
        {"keyword", Cp1252ToUtf8(keyword)},
        {"changed_flag", ChangedFlag(reply.text, h)},
    };
    const ReplyKind kind = KindOfKeyword(keyword);
    if (kind == ReplyKind::kStatus)
        json["status"] = StatusJson(ReadStatus(reply.text, h, reply.formatVersion));
    else if (kind == ReplyKind::kParameters)
        json["parameters"] = ParametersJson(ReadParameters(reply.text, h, reply.formatVersion));
    else if (kind == ReplyKind::kReset)
        json["reset_ack"] = ReadResetAck(reply.text, h);
    return json;
}

}  // namespace korva::ctl
