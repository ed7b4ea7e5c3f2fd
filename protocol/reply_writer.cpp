#include "protocol/reply_writer.h"

#include <optional>
#include <string_view>
#include <vector>

#include "protocol/address_text.h"
#include "protocol/numbers.h"
#include "protocol/reply_format.h"

namespace korva {
namespace {

namespace f = reply_field;

constexpr const char* kFiller = "0";
constexpr const char* kChangedMark = "ALT";

// Fields 2 to 26 of a reply, filled in by number; field 1 belongs to the header.
class WrittenFields {
public:
    explicit WrittenFields(ReplyKind kind) : fields_(f::kChangedFlag + 1, kFiller) {
        fields_[f::kKeyword] = KeywordOf(kind);
    }
    void Set(int k, std::string value) { fields_[k] = std::move(value); }
    void SetRestartPending(bool pending) {
        if (pending)
            Set(f::kChangedFlag, kChangedMark);
    }

    std::string Line(const ScrambleForm& form) const {
        std::string line = Header(form);
        for (int k = f::kKeyword; k <= f::kChangedFlag; ++k)
            line += "," + fields_[k];
        return line;
    }

private:
    static std::string Header(const ScrambleForm& form) {
        if (form.version == 0)
            return "0100";
        std::string header = std::to_string(form.version);
        if (form.version >= kFirstNewFormVersion)
            header += "," + HexText(form.key, 2) + "," + HexText(form.n, 2);
        return header;
    }

    std::vector<std::string> fields_;
};

std::string Flag(bool on) {
    return on ? "1" : "0";
}

// The numbers of text between separators, in base; nullopt unless there are exactly count of them.
std::optional<SeparatedNumbers> Numbers(std::string_view text, char separator, int base, std::size_t count) {
    auto numbers = ParseSeparatedNumbers(text, {.separator = separator, .base = base, .maxParts = count});
    if (!numbers || numbers->count != count)
        return std::nullopt;
    return numbers;
}

std::int32_t Number(const SeparatedNumbers& numbers, std::size_t i) {
    return static_cast<std::int32_t>(numbers.values[i]);
}

// Version 130 alone sends its addresses in hexadecimal octets; a text that is no dotted quad goes as is.
std::string AddressText(const std::string& dottedQuad, int version) {
    const auto address = ParseIpv4(dottedQuad);
    if (version != kHexAddressVersion || !address)
        return dottedQuad;
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8)
        text += (text.empty() ? "" : ".") + HexText(static_cast<std::int32_t>(*address >> shift & 0xFF), 2);
    return text;
}

// Colon-separated octets: decimal before the new form, hexadecimal from it on.
std::string MacText(const std::string& mac, int version) {
    const auto octets = Numbers(mac, '-', 16, 6);
    if (!octets)
        return mac;
    std::string text;
    for (std::size_t i = 0; i < 6; ++i) {
        const std::int32_t octet = Number(*octets, i);
        if (!text.empty())
            text += ":";
        text += version < kFirstNewFormVersion ? std::to_string(octet) : HexText(octet, 2);
    }
    return text;
}

// "1.52 07/03/16 14:05": the version, then the date and the time, each part in a field of its own.
void SetFirmware(WrittenFields& fields, const std::string& firmware) {
    const std::size_t timeStart = firmware.rfind(' ');
    const std::size_t dateStart = timeStart == std::string::npos ? timeStart : firmware.rfind(' ', timeStart - 1);
    const auto date =
        dateStart == std::string::npos
            ? std::nullopt
            : Numbers(std::string_view(firmware).substr(dateStart + 1, timeStart - dateStart - 1), '/', 10, 3);
    const auto time = timeStart == std::string::npos
                          ? std::nullopt
                          : Numbers(std::string_view(firmware).substr(timeStart + 1), ':', 10, 2);
    if (!date || !time) {
        fields.Set(f::kFirmwareVersion, firmware);
        return;
    }
    fields.Set(f::kFirmwareVersion, firmware.substr(0, dateStart));
    fields.Set(f::kFirmwareDay, ZeroPadded(Number(*date, 0), 2));
    fields.Set(f::kFirmwareMonth, ZeroPadded(Number(*date, 1), 2));
    fields.Set(f::kFirmwareYear, ZeroPadded(Number(*date, 2), 2));
    fields.Set(f::kFirmwareHour, ZeroPadded(Number(*time, 0), 2));
    fields.Set(f::kFirmwareMinute, ZeroPadded(Number(*time, 1), 2));
}

unsigned char LastByte(const std::string& text) {
    return static_cast<unsigned char>(text.back());
}

}  // namespace

std::string StatusReplyLine(const StatusReading& status, bool restartPending, const ScrambleForm& form) {
    WrittenFields fields(ReplyKind::kStatus);
    fields.Set(f::kTemperature, std::to_string(status.temperature));
    fields.Set(f::kHumidity, std::to_string(status.humidity));
    fields.Set(f::kBatteryTenths, std::to_string(status.batteryTenths));
    fields.Set(f::kPresence, Flag(status.presence));
    fields.Set(f::kResetState, status.resetState ? "0" : "1");
    fields.Set(f::kLink1, Flag(status.link1));
    if (form.version < kThreeLinksVersion) {
        fields.Set(f::kOneLinkEcho, std::to_string(status.echo));
        if (status.changed)
            fields.Set(f::kOneLinkChanged, kChangedMark);
    } else {
        fields.Set(f::kLink2, Flag(status.link2.value_or(false)));
        fields.Set(f::kLink3, Flag(status.link3.value_or(false)));
        fields.Set(f::kEcho, std::to_string(status.echo));
        if (status.changed)
            fields.Set(f::kStatusChanged, kChangedMark);
    }
    fields.SetRestartPending(restartPending);
    return fields.Line(form);
}

std::string ParameterReplyLine(const ParameterReading& parameters, const ScrambleForm& form) {
    WrittenFields fields(ReplyKind::kParameters);
    fields.Set(f::kAddress, AddressText(parameters.address, form.version));
    fields.Set(f::kMask, AddressText(parameters.mask, form.version));
    fields.Set(f::kGateway, AddressText(parameters.gateway, form.version));
    fields.Set(f::kMac, MacText(parameters.mac, form.version));
    SetFirmware(fields, parameters.firmware);
    fields.SetRestartPending(parameters.changed);
    return fields.Line(form);
}

std::string ResetReplyLine(bool acknowledged, bool restartPending, const ScrambleForm& form) {
    WrittenFields fields(ReplyKind::kReset);
    fields.Set(f::kResetAck, acknowledged ? "ACK" : "NAK");
    fields.SetRestartPending(restartPending);
    return fields.Line(form);
}

std::string WriteReplyLine(bool restartPending, const ScrambleForm& form) {
    WrittenFields fields(ReplyKind::kWrite);
    fields.SetRestartPending(restartPending);
    return fields.Line(form);
}

std::string SendableReply(std::string plain, const ScrambleForm& form) {
    const auto trimmedAway = [](const std::string& sent) { return sent.empty() || LastByte(sent) <= 32; };
    std::string sent = ScrambleReply(plain, form);
    // Each added comma lands on the next position and so on another shift. In the old form the shift
    // grows by one per byte, so a few commas always get out of the low range. In the new form it cycles
    // through 20 values, and a key that sinks a comma at every one of them still leaves a "Z" above 32.
    for (int tries = 0; tries < 40 && trimmedAway(sent); ++tries) {
        plain += ",";
        sent = ScrambleReply(plain, form);
    }
    if (trimmedAway(sent))
        sent = ScrambleReply(plain + "Z", form);
    return sent;
}

std::string ScrambleFormProblem(const ScrambleForm& form) {
    if (form.version == 0)
        return {};
    if (form.version < kFirstOldFormVersion)
        return "a scrambled form needs a version above 100";
    if (form.version > 999)
        return "the version must have at most three digits";
    if (form.version < kFirstNewFormVersion)
        return {};
    // The console reads the header from the first 20 bytes un-shifted by position + 35, so the header
    // must fit there and n must keep every header byte, its closing comma too, on that rule.
    const std::string header = std::to_string(form.version) + "," + HexText(form.key, 2) + "," + HexText(form.n, 2);
    if (header.size() > 20)
        return "the header '" + header + "' does not fit in the first 20 bytes";
    if (form.n < static_cast<int>(header.size()) + 1) {
        return "n must be at least " + std::to_string(header.size() + 1) + " (the header and its comma)";
    }
    return {};
}

}  // namespace korva
