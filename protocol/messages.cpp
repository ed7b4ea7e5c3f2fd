#include "protocol/messages.h"

#include "protocol/text_fields.h"

#include <algorithm>
#include <cassert>
#include <cstdlib>
#include <limits>

namespace korva {

namespace {

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
        return formatVersion == 130 ? DottedQuadFromHexOctets(Trimmed(k)) : std::string(Trimmed(k));
    }
    std::string TwoDigits(int k) const { return LeftPadAndCut(Raw(k), 2, '0'); }

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
    return UpperCaseAscii(ReplyView(plain, headerOffset, 2).Trimmed(2));
}

StatusReading ReadStatus(std::string_view plain, int headerOffset, int formatVersion) {
    const ReplyView reply(plain, headerOffset, formatVersion < 150 ? 13 : 15);
    StatusReading reading;
    reading.temperature = ToInteger(reply.Trimmed(4));
    reading.humidity = ToInteger(reply.Trimmed(5));
    reading.batteryTenths = ToInteger(reply.Trimmed(6));
    reading.presence = reply.Is(7, "1");
    reading.resetState = reply.Is(8, "0");
    reading.link1 = reply.Is(9, "1");
    if (formatVersion < 150) {
        reading.echo = ToInteger(reply.Raw(10));
        reading.changed = reply.ChangedMarkAt(13);
    } else {
        reading.link2 = reply.Is(10, "1");
        reading.link3 = reply.Is(11, "1");
        reading.echo = ToInteger(reply.Raw(12));
        reading.changed = reply.ChangedMarkAt(15);
    }
    return reading;
}

ParameterReading ReadParameters(std::string_view plain, int headerOffset, int formatVersion) {
    const ReplyView reply(plain, headerOffset, 26);
    ParameterReading reading;
    reading.address = reply.Address(4, formatVersion);
    reading.mask = reply.Address(5, formatVersion);
    reading.gateway = reply.Address(6, formatVersion);
    reading.mac = formatVersion < 130 ? MacFromDecimalOctets(reply.Trimmed(7)) : MacFromHexOctets(reply.Trimmed(7));
    // firmware version, day/month/year, hour:minute
    reading.firmware = std::string(reply.Raw(15)) + " " + reply.TwoDigits(21) + "/" + reply.TwoDigits(20) + "/" +
                       reply.TwoDigits(23) + " " + reply.TwoDigits(18) + ":" + reply.TwoDigits(19);
    reading.changed = reply.ChangedMarkAt(26);
    return reading;
}

bool ReadResetAck(std::string_view plain, int headerOffset) {
    return UpperCaseAscii(ReplyView(plain, headerOffset, 4).Trimmed(4)) == "ACK";
}

bool ChangedFlag(std::string_view plain, int headerOffset) {
    return ReplyView(plain, headerOffset, 26).ChangedMarkAt(26);
}

}  // namespace korva
