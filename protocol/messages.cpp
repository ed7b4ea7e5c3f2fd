#include "protocol/messages.h"

#include "protocol/address_text.h"
#include "protocol/numbers.h"
#include "protocol/reply_format.h"

#include <algorithm>
#include <cassert>
#include <cstdlib>
#include <limits>

namespace korva {

namespace {

namespace f = reply_field;

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kChangedMark = "ALT";

int LineField(int headerOffset, int k) {
    const long long field = static_cast<long long>(headerOffset) + k;
    return static_cast<int>(std::clamp<long long>(field, 0, std::numeric_limits<int>::max()));
}

// Seven digits at least, the sign in front: -5 gives "-0000005".
std::string EchoDigits(std::int32_t echo) {
    const long long magnitude = std::llabs(static_cast<long long>(echo));
    std::string digits = std::to_string(magnitude);
    if (digits.size() < 7)
        digits.insert(0, 7 - digits.size(), '0');
    return echo < 0 ? "-" + digits : digits;
}

std::string WriteCommand(const std::string& address, const std::string& mask, const std::string& gateway) {
    return "wPr000 " + address + " " + mask + " " + gateway + std::string(kLineEnd);
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

std::string BuildWriteCommand(const CheckedParameters& values) {
    return WriteCommand(PaddedIpv4Text(values.address), PaddedIpv4Text(values.mask), PaddedIpv4Text(values.gateway));
}

std::string BuildWriteCommand(std::string_view address, std::string_view mask, std::string_view gateway) {
    return WriteCommand(PaddedDottedQuad(address), PaddedDottedQuad(mask), PaddedDottedQuad(gateway));
}

ReplyReader::ReplyReader(std::string_view plain, int headerOffset, int formatVersion, int lastField)
    : fields_(plain, ',', LineField(headerOffset, lastField)),
      headerOffset_(headerOffset),
      formatVersion_(formatVersion),
      lastField_(lastField) {}

std::string_view ReplyReader::Raw(int k) const {
    assert(k <= lastField_);
    return fields_[headerOffset_ + k];
}

std::string_view ReplyReader::Trimmed(int k) const {
    return TrimView(Raw(k));
}

namespace {

// The fields compared are one to three bytes long: a loop costs less than a call to memcmp.
bool SameBytes(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}

}  // namespace

bool ReplyReader::Is(int k, std::string_view expected) const {
    return SameBytes(Trimmed(k), expected);
}

bool ReplyReader::ChangedMarkAt(int k) const {
    // Compared as sent: " ALT" is not the mark.
    return SameBytes(Raw(k), kChangedMark);
}

std::string ReplyReader::Address(int k) const {
    return ReplyAddressText(Trimmed(k), formatVersion_);
}

std::string ReplyReader::Keyword() const {
    return UpperCaseAscii(Trimmed(f::kKeyword));
}

ReplyKind ReplyReader::Kind() const {
    return KindOfKeyword(Keyword());
}

bool ReplyReader::ChangedFlag() const {
    return ChangedMarkAt(f::kChangedFlag);
}

StatusReading ReplyReader::Status() const {
    StatusReading reading;
    reading.temperature = ToInteger(Trimmed(f::kTemperature));
    reading.humidity = ToInteger(Trimmed(f::kHumidity));
    reading.batteryTenths = ToInteger(Trimmed(f::kBatteryTenths));
    reading.presence = Is(f::kPresence, "1");
    reading.resetState = Is(f::kResetState, "0");
    reading.link1 = Is(f::kLink1, "1");
    if (formatVersion_ >= kThreeLinksVersion) {
        reading.link2 = Is(f::kLink2, "1");
        reading.link3 = Is(f::kLink3, "1");
        reading.echo = ToInteger(Raw(f::kEcho));
        reading.changed = ChangedMarkAt(f::kStatusChanged);
    } else {
        reading.echo = ToInteger(Raw(f::kOneLinkEcho));
        reading.changed = ChangedMarkAt(f::kOneLinkChanged);
    }
    return reading;
}

ParameterReading ReplyReader::Parameters() const {
    // Each text is made where it stays: assigning would copy or move it once more.
    ParameterReading reading{
        .address = Address(f::kAddress),
        .mask = Address(f::kMask),
        .gateway = Address(f::kGateway),
        .mac = ReplyMacText(Trimmed(f::kMac), formatVersion_),
        .firmware = {},
        .changed = ChangedMarkAt(f::kChangedFlag),
    };
    // firmware version, day/month/year, hour:minute: its length is known, so it is written in place
    const std::string_view version = Raw(f::kFirmwareVersion);
    std::string& firmware = reading.firmware;
    firmware.resize(version.size() + std::string_view(" dd/mm/yy hh:nn").size());
    char* at = std::copy(version.begin(), version.end(), firmware.data());
    const auto put = [&](char separator, int k) {
        *at++ = separator;
        at = WriteLeftPadAndCut(at, Raw(k), 2, '0');
    };
    put(' ', f::kFirmwareDay);
    put('/', f::kFirmwareMonth);
    put('/', f::kFirmwareYear);
    put(' ', f::kFirmwareHour);
    put(':', f::kFirmwareMinute);
    return reading;
}

bool ReplyReader::ResetAck() const {
    return UpperCaseAscii(Trimmed(f::kResetAck)) == "ACK";
}

bool ReplyReader::Complete() const {
    int needed = 0;
    switch (Kind()) {
        case ReplyKind::kStatus:
            needed = formatVersion_ >= kThreeLinksVersion ? f::kEcho : f::kOneLinkEcho;
            break;
        case ReplyKind::kParameters:
            // The changed flag after the date is optional: devices without pending changes may end here.
            needed = f::kFirmwareYear;
            break;
        default:
            return true;
    }
    assert(needed <= lastField_);
    return Reaches(needed);
}

// The free functions split the line only as far as their question needs.

std::string ReplyKeyword(std::string_view plain, int headerOffset) {
    return ReplyReader(plain, headerOffset, 0, f::kKeyword).Keyword();
}

ReplyKind ReadReplyKind(std::string_view plain, int headerOffset) {
    return KindOfKeyword(ReplyKeyword(plain, headerOffset));
}

StatusReading ReadStatus(std::string_view plain, int headerOffset, int formatVersion) {
    const int lastField = formatVersion >= kThreeLinksVersion ? f::kStatusChanged : f::kOneLinkChanged;
    return ReplyReader(plain, headerOffset, formatVersion, lastField).Status();
}

ParameterReading ReadParameters(std::string_view plain, int headerOffset, int formatVersion) {
    return ReplyReader(plain, headerOffset, formatVersion).Parameters();
}

bool ReadResetAck(std::string_view plain, int headerOffset) {
    return ReplyReader(plain, headerOffset, 0, f::kResetAck).ResetAck();
}

bool ChangedFlag(std::string_view plain, int headerOffset) {
    return ReplyReader(plain, headerOffset, 0).ChangedFlag();
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
