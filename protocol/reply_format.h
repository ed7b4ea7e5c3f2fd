#pragma once
// Where things sit in a plain reply line, and which format version changed what. Field k counts from
// the keyword's header: field k of a reply is comma-field headerOffset + k of its plain text, field 2
// being the keyword. The readers (messages.h) and the writers of simulated replies both use these.
#include <string_view>

namespace korva {

// Format versions: replies of versions below kFirstOldFormVersion are plain.
inline constexpr int kFirstOldFormVersion = 101;
// From here on the header carries KEY and N, and MAC addresses come in hexadecimal.
inline constexpr int kFirstNewFormVersion = 130;
// Exactly this version sends addresses as hexadecimal octets.
inline constexpr int kHexAddressVersion = 130;
// From here on status replies carry links 2 and 3, which moves the fields after them.
inline constexpr int kThreeLinksVersion = 150;

enum class ReplyKind { kStatus, kParameters, kReset, kWrite, kUnknown };

// "SND" status, "RPR" parameters, "RST" reset acknowledgement, "WPR" write acknowledgement.
ReplyKind KindOfKeyword(std::string_view keyword);
// The keyword of a kind; empty for kUnknown.
std::string_view KeywordOf(ReplyKind kind);

namespace reply_field {

inline constexpr int kKeyword = 2;
// Exactly "ALT" in any reply: the device holds parameters that take effect after its restart.
inline constexpr int kChangedFlag = 26;

// Status reply.
inline constexpr int kTemperature = 4;
inline constexpr int kHumidity = 5;
inline constexpr int kBatteryTenths = 6;
inline constexpr int kPresence = 7;
inline constexpr int kResetState = 8;
inline constexpr int kLink1 = 9;
// Before kThreeLinksVersion.
inline constexpr int kOneLinkEcho = 10;
inline constexpr int kOneLinkChanged = 13;
// From kThreeLinksVersion on.
inline constexpr int kLink2 = 10;
inline constexpr int kLink3 = 11;
inline constexpr int kEcho = 12;
inline constexpr int kStatusChanged = 15;

// Parameter reply.
inline constexpr int kAddress = 4;
inline constexpr int kMask = 5;
inline constexpr int kGateway = 6;
inline constexpr int kMac = 7;
inline constexpr int kFirmwareVersion = 15;
inline constexpr int kFirmwareHour = 18;
inline constexpr int kFirmwareMinute = 19;
inline constexpr int kFirmwareMonth = 20;
inline constexpr int kFirmwareDay = 21;
inline constexpr int kFirmwareYear = 23;

// Reset reply: "ACK" when the reset command was taken.
inline constexpr int kResetAck = 4;

}  // namespace reply_field
}  // namespace korva
