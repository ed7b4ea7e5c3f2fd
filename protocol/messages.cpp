#include "protocol/messages.h"

#include "protocol/reply_format.h"
#include "protocol/text_fields.h"

#include <algorithm>
#include <cassert>
#include <cstdlib>
#include <limits>

namespace korva {

namespace {

namespace f = reply_field;

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kChangedMark = "ALT";

// A plain reply seen from its keyword on: field k is comma-field headerOffset + k of the line.
class ReplyView {
public:
    // lastField: the highest k the reading looks at; the line is not split beyond it.
    ReplyView(std::string_view plain, int headerOffset, int lastField)
        : fields_(plain, LineField(headerOffset, lastField)), headerOffset_(headerOffset), lastField_(lastField) {}

    std::string_view Raw(int k) const {
        assert(k <= lastField_);
        return fields_[headerOffset_ + k];
    }
    std::string_view Trimmed(int k) const { return TrimView(Raw(k)); }
    bool Is(int k, std::string_view expected) const { return Trimmed(k) == expected; }
    // The changed mark is compared as sent: " ALT" is not the mark.
    bool ChangedMarkAt(int k) const { return Raw(k) == kChangedMark; }

    // Version 130 sends its address octets in hexadecimal; every other version in decimal.
    std::string Address(int k, int formatVersion) const {
        return formatVersion == kHexAddressVersion ? DottedQuadFromHexOctets(Trimmed(k)) : std::string(Trimmed(k));
    }
    void AppendTwoDigits(std::string& text, int k) const { AppendLeftPadAndCut(text, Raw(k), 2, '0'); }

private:
    static int LineField(int headerOffset, int k) {
        const long long field = static_cast<long long>(headerOffset) + k;
        return static_cast<int>(std::clamp<long long>(field, 0, std::numeric_limits<int>::max()));
    }

    ReplyFields fields_;
    int headerOffset_;
    int lastField_;
};

// Seven digits at least, the sign in front: -5 gives "-0000005".
std::string EchoDigits(std::int32_t echo) {
    const long long magnitude = std::llabs(static_cast<long long>(echo));
    std::string digits = std::to_string(magnitude);
    if (digits.size() < 7)
        digits.insert(0, 7 - digits.size(), '0');
    return echo < 0 ? "-" + digits : digits;
}

}  // namespace

std::string BuildLiveDataRequest() {
    return "snd000" + std::string(kLineEnd);
}

std::string BuildParameterRequest(bool manual) {
    return (manual ? "rPr000 " : "rPr000") + std::string(kLineEnd);
}

std::string BuildResetCommand(std::int32_t echo) {
    return "rst000005" + EchoDigits(echo) + std::string(kLineEnd);
}

std::string BuildWriteCommand(std::string_view address, std::string_view mask, std::string_view gateway) {
    return "wPr000 " + PaddedDottedQuad(address) + " " + PaddedDottedQuad(mask) + " " + PaddedDottedQuad(gateway) +
           std::string(kLineEnd);
}

std::string ReplyKeyword(std::string_view plain, int headerOffset) {
    return UpperCaseAscii(ReplyView(plain, headerOffset, f::kKeyword).Trimmed(f::kKeyword));
}

ReplyKind ReadReplyKind(std::string_view plain, int headerOffset) {
    return KindOfKeyword(ReplyKeyword(plain, headerOffset));
}

StatusReading ReadStatus(std::string_view plain, int headerOffset, int formatVersion) {
    const bool threeLinks = formatVersion >= kThreeLinksVersion;
    const ReplyView reply(plain, headerOffset, threeLinks ? f::kStatusChanged : f::kOneLinkChanged);
    StatusReading reading;
    reading.temperature = ToInteger(reply.Trimmed(f::kTemperature));
    reading.humidity = ToInteger(reply.Trimmed(f::kHumidity));
    reading.batteryTenths = ToInteger(reply.Trimmed(f::kBatteryTenths));
    reading.presence = reply.Is(f::kPresence, "1");
    reading.resetState = reply.Is(f::kResetState, "0");
    reading.link1 = reply.Is(f::kLink1, "1");
    if (threeLinks) {
        reading.link2 = reply.Is(f::kLink2, "1");
        reading.link3 = reply.Is(f::kLink3, "1");
        reading.echo = ToInteger(reply.Raw(f::kEcho));
        reading.changed = reply.ChangedMarkAt(f::kStatusChanged);
    } else {
        reading.echo = ToInteger(reply.Raw(f::kOneLinkEcho));
        reading.changed = reply.ChangedMarkAt(f::kOneLinkChanged);
    }
    return reading;
}

ParameterReading ReadParameters(std::string_view plain, int headerOffset, int formatVersion) {
    const ReplyView reply(plain, headerOffset, f::kChangedFlag);
    ParameterReading reading;
    reading.address = reply.Address(f::kAddress, formatVersion);
    reading.mask = reply.Address(f::kMask, formatVersion);
    reading.gateway = reply.Address(f::kGateway, formatVersion);
    const std::string_view mac = reply.Trimmed(f::kMac);
    reading.mac = formatVersion < kFirstNewFormVersion ? MacFromDecimalOctets(mac) : MacFromHexOctets(mac);
    // firmware version, day/month/year, hour:minute, written into room reserved once
    const std::string_view version = reply.Raw(f::kFirmwareVersion);
    std::string& firmware = reading.firmware;
    firmware.reserve(version.size() + std::string_view(" dd/mm/yy hh:nn").size());
    firmware.append(version).append(1, ' ');
    reply.AppendTwoDigits(firmware, f::kFirmwareDay);
    firmware += '/';
    reply.AppendTwoDigits(firmware, f::kFirmwareMonth);
    firmware += '/';
    reply.AppendTwoDigits(firmware, f::kFirmwareYear);
    firmware += ' ';
    reply.AppendTwoDigits(firmware, f::kFirmwareHour);
    firmware += ':';
    reply.AppendTwoDigits(firmware, f::kFirmwareMinute);
    reading.changed = reply.ChangedMarkAt(f::kChangedFlag);
    return reading;
}

bool ReadResetAck(std::string_view plain, int headerOffset) {
    return UpperCaseAscii(ReplyView(plain, headerOffset, f::kResetAck).Trimmed(f::kResetAck)) == "ACK";
}

bool ChangedFlag(std::string_view plain, int headerOffset) {
    return ReplyView(plain, headerOffset, f::kChangedFlag).ChangedMarkAt(f::kChangedFlag);
}

ReplyKind KindOfKeyword(std::string_view keyword) {
    for (const ReplyKind kind : {ReplyKind::kStatus, ReplyKind::kParameters, ReplyKind::kReset, ReplyKind::kWrite}) {
        if (keyword == KeywordOf(kind))
            return kind;
    }
    return ReplyKind::kUnknown;
}

std::string_view KeywordOf(ReplyKind kind) {
    switch (kind) {
        case ReplyKind::kStatus:
            return "SND";
        case ReplyKind::kParameters:
            return "RPR";
        case ReplyKind::kReset:
            return "RST";
        case ReplyKind::kWrite:
            return "WPR";
        case ReplyKind::kUnknown:
            break;
    }
    return {};
}

}  // namespace korva
