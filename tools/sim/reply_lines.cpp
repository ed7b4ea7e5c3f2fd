#include "tools/sim/reply_lines.h"

#include "protocol/text_fields.h"

#include <array>
#include <vector>

namespace korva::sim {
namespace {

constexpr int kLastField = 26;
constexpr const char* kFiller = "0";
constexpr const char* kChangedMark = "ALT";
constexpr int kNewFormVersion = 130;
constexpr int kLinksVersion = 150;

// Fields 2 to 26 of a reply, filled in by number; field 1 belongs to the header.
class ReplyFields {
public:
    explicit ReplyFields(const char* keyword) : fields_(kLastField + 1, kFiller) { fields_[2] = keyword; }
    void Set(int k, std::string value) { fields_[k] = std::move(value); }

    std::string Line(const ScrambleForm& form) const {
        std::string line = Header(form);
        for (int k = 2; k <= kLastField; ++k)
            line += "," + fields_[k];
        return line;
    }

private:
    static std::string Header(const ScrambleForm& form) {
        if (form.version == 0)
            return "0100";
        std::string header = std::to_string(form.version);
        if (form.version >= kNewFormVersion)
            header += "," + HexText(form.key, 2) + "," + HexText(form.n, 2);
        return header;
    }

    std::vector<std::string> fields_;
};

std::string Flag(bool on) {
    return on ? "1" : "0";
}

std::string HexOctets(const Ipv4& octets) {
    return HexText(octets[0], 2) + "." + HexText(octets[1], 2) + "." + HexText(octets[2], 2) + "." +
           HexText(octets[3], 2);
}

// Version 130 alone sends its addresses in hexadecimal octets.
std::string AddressText(const Ipv4& octets, int version) {
    return version == kNewFormVersion ? HexOctets(octets) : DecimalOctetsText(octets);
}

std::string MacText(const std::array<std::uint8_t, 6>& mac, int version) {
    std::string text;
    for (std::uint8_t octet : mac) {
        if (!text.empty())
            text += ":";
        text += version < kNewFormVersion ? std::to_string(octet) : HexText(octet, 2);
    }
    return text;
}

void SetGeneralChangedFlag(ReplyFields& fields, const DeviceState& state) {
    if (state.pending)
        fields.Set(26, kChangedMark);
}

unsigned char LastByte(const std::string& text) {
    return static_cast<unsigned char>(text.back());
}

}  // namespace

std::string StatusLine(const DeviceState& state, const ScrambleForm& form) {
    ReplyFields fields("SND");
    fields.Set(4, std::to_string(state.temperature));
    fields.Set(5, std::to_string(state.humidity));
    fields.Set(6, std::to_string(state.batteryTenths));
    fields.Set(7, Flag(state.presence));
    fields.Set(8, std::to_string(state.resetEcInput));
    fields.Set(9, Flag(state.links[0]));
    const bool changed = state.pending.has_value();
    if (form.version < kLinksVersion) {
        fields.Set(10, std::to_string(state.echo));
        if (changed)
            fields.Set(13, kChangedMark);
    } else {
        fields.Set(10, Flag(state.links[1]));
        fields.Set(11, Flag(state.links[2]));
        fields.Set(12, std::to_string(state.echo));
        if (changed)
            fields.Set(15, kChangedMark);
    }
    SetGeneralChangedFlag(fields, state);
    return fields.Line(form);
}

std::string ParameterLine(const DeviceState& state, const ScrambleForm& form) {
    ReplyFields fields("RPR");
    fields.Set(4, AddressText(state.current.address, form.version));
    fields.Set(5, AddressText(state.current.mask, form.version));
    fields.Set(6, AddressText(state.current.gateway, form.version));
    fields.Set(7, MacText(state.mac, form.version));
    fields.Set(15, state.firmware);
    fields.Set(18, ZeroPadded(state.firmwareDate.hour, 2));
    fields.Set(19, ZeroPadded(state.firmwareDate.minute, 2));
    fields.Set(20, ZeroPadded(state.firmwareDate.month, 2));
    fields.Set(21, ZeroPadded(state.firmwareDate.day, 2));
    fields.Set(23, ZeroPadded(state.firmwareDate.year, 2));
    SetGeneralChangedFlag(fields, state);
    return fields.Line(form);
}

std::string ResetLine(const DeviceState& state, const ScrambleForm& form, bool acknowledged) {
    ReplyFields fields("RST");
    fields.Set(4, acknowledged ? "ACK" : "NAK");
    SetGeneralChangedFlag(fields, state);
    return fields.Line(form);
}

std::string WriteLine(const DeviceState& state, const ScrambleForm& form) {
    ReplyFields fields("WPR");
    SetGeneralChangedFlag(fields, state);
    return fields.Line(form);
}

std::string SendableLine(std::string plain, const ScrambleForm& form) {
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

std::string FormProblem(const ScrambleForm& form) {
    if (form.version == 0)
        return {};
    if (form.version <= 100)
        return "a scrambled form needs a version above 100";
    if (form.version > 999)
        return "the version must have at most three digits";
    if (form.version < kNewFormVersion)
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

}  // namespace korva::sim
