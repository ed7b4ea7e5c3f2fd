#include "protocol/messages.h"

#include "protocol/text_fields.h"

#include <cstdlib>

namespace korva {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kChangedMark = "ALT";

// Field k of a reply counts from the end of its header.
std::string Field(std::string_view plain, int headerOffset, int k) { return ReplyField(headerOffset + k, plain); }

std::string TrimmedField(std::string_view plain, int headerOffset, int k) { return Trim(Field(plain, headerOffset, k)); }

bool FieldIs(std::string_view plain, int headerOffset, int k, std::string_view expected)
{
    return TrimmedField(plain, headerOffset, k) == expected;
}

bool ChangedMarkAt(std::string_view plain, int headerOffset, int k)
{
    return Field(plain, headerOffset, k) == kChangedMark;
}

// Seven digits at least, the sign in front: -5 gives "-0000005".
std::string EchoDigits(std::int32_t echo)
{
    const long long magnitude = std::llabs(static_cast<long long>(echo));
    std::string digits = std::to_string(magnitude);
    if (digits.size() < 7)
        digits.insert(0, 7 - digits.size(), '0');
    return echo < 0 ? "-" + digits : digits;
}

// Version 130 sends its address octets in hexadecimal; every other version in decimal.
std::string AddressField(std::string_view plain, int headerOffset, int formatVersion, int k)
{
    const std::string text = TrimmedField(plain, headerOffset, k);
    return formatVersion == 130 ? DottedQuadFromHexOctets(text) : text;
}

std::string TwoDigits(std::string_view plain, int headerOffset, int k)
{
    return LeftPadAndCut(Field(plain, headerOffset, k), 2, '0');
}

}  // namespace

std::string BuildLiveDataRequest() { return "snd000" + std::string(kLineEnd); }

std::string BuildParameterRequest(bool manual)
{
    return (manual ? "rPr000 " : "rPr000") + std::string(kLineEnd);
}

std::string BuildResetCommand(std::int32_t echo) { return "rst000005" + EchoDigits(echo) + std::string(kLineEnd); }

std::string BuildWriteCommand(std::string_view address, std::string_view mask, std::string_view gateway)
{
    return "wPr000 " + PaddedDottedQuad(address) + " " + PaddedDottedQuad(mask) + " " + PaddedDottedQuad(gateway) +
           std::string(kLineEnd);
}

std::string ReplyKeyword(std::string_view plain, int headerOffset)
{
    return UpperCaseAscii(TrimmedField(plain, headerOffset, 2));
}

StatusReading ReadStatus(std::string_view plain, int headerOffset, int formatVersion)
{
    const int h = headerOffset;
    StatusReading reading;
    reading.temperature = ToInteger(TrimmedField(plain, h, 4));
    reading.humidity = ToInteger(TrimmedField(plain, h, 5));
    reading.batteryTenths = ToInteger(TrimmedField(plain, h, 6));
    reading.presence = FieldIs(plain, h, 7, "1");
    reading.resetState = FieldIs(plain, h, 8, "0");
    reading.link1 = FieldIs(plain, h, 9, "1");
    if (formatVersion < 150) {
        reading.echo = ToInteger(Field(plain, h, 10));
        reading.changed = ChangedMarkAt(plain, h, 13);
    } else {
        reading.link2 = FieldIs(plain, h, 10, "1");
        reading.link3 = FieldIs(plain, h, 11, "1");
        reading.echo = ToInteger(Field(plain, h, 12));
        reading.changed = ChangedMarkAt(plain, h, 15);
    }
    return reading;
}

ParameterReading ReadParameters(std::string_view plain, int headerOffset, int formatVersion)
{
    const int h = headerOffset;
    ParameterReading reading;
    reading.address = AddressField(plain, h, formatVersion, 4);
    reading.mask = AddressField(plain, h, formatVersion, 5);
    reading.gateway = AddressField(plain, h, formatVersion, 6);
    const std::string mac = TrimmedField(plain, h, 7);
    reading.mac = formatVersion < 130 ? MacFromDecimalOctets(mac) : MacFromHexOctets(mac);
    reading.firmware = Field(plain, h, 15) + " " + TwoDigits(plain, h, 21) + "/" + TwoDigits(plain, h, 20) + "/" +
                       TwoDigits(plain, h, 23) + " " + TwoDigits(plain, h, 18) + ":" + TwoDigits(plain, h, 19);
    reading.changed = ChangedMarkAt(plain, h, 26);
    return reading;
}

bool ReadResetAck(std::string_view plain, int headerOffset)
{
    return UpperCaseAscii(TrimmedField(plain, headerOffset, 4)) == "ACK";
}

bool ChangedFlag(std::string_view plain, int headerOffset) { return ChangedMarkAt(plain, headerOffset, 26); }

}  // namespace korva
