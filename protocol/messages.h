#pragma once
// What the console says to a device and what the device's replies mean. Field numbers below count
// from the keyword's header: field k of a reply is comma-field headerOffset + k of its plain text.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "protocol/fields.h"
#include "protocol/new_parameters.h"
#include "protocol/reply_format.h"

namespace korva {

constexpr std::uint16_t kDevicePort = 5010;

std::string BuildLiveDataRequest();                // "snd000" CR LF
std::string BuildParameterRequest(bool manual);    // "rPr000 " CR LF by hand, "rPr000" CR LF automatic
std::string BuildResetCommand(std::int32_t echo);  // "rst000005" + echo as "0000000" + CR LF
// "wPr000 " + address + " " + mask + " " + gateway + CR LF, each as a zero-padded dotted quad.
std::string BuildWriteCommand(const CheckedParameters& values);
// The same from texts as typed, each padded as PaddedDottedQuad does, whatever it holds.
std::string BuildWriteCommand(std::string_view address, std::string_view mask, std::string_view gateway);

// Field 2, trimmed and upper-cased: "SND", "RPR", "RST", "WPR" or anything else.
std::string ReplyKeyword(std::string_view plain, int headerOffset);
// The kind its keyword names.
ReplyKind ReadReplyKind(std::string_view plain, int headerOffset);

struct StatusReading {
    std::int32_t temperature = 0;    // degrees Celsius
    std::int32_t humidity = 0;       // percent
    std::int32_t batteryTenths = 0;  // tenths of a volt
    bool presence = false;           // presence input is "1"
    bool resetState = false;         // "reset EC" field is "0"
    bool link1 = false;
    std::optional<bool> link2;  // absent before kThreeLinksVersion
    std::optional<bool> link3;
    std::int32_t echo = 0;  // echoed back in a reset command
    bool changed = false;   // the status reply's own changed-parameters flag
};
StatusReading ReadStatus(std::string_view plain, int headerOffset, int formatVersion);

struct ParameterReading {
    std::string address;
    std::string mask;
    std::string gateway;
    std::string mac;
    std::string firmware;  // version text, a blank, "dd/mm/yy", a blank, "hh:nn"
    bool changed = false;
};
ParameterReading ReadParameters(std::string_view plain, int headerOffset, int formatVersion);

// Field 4 of a reset reply says "ACK".
bool ReadResetAck(std::string_view plain, int headerOffset);
// Field 26 of any reply is exactly "ALT": the device holds parameters not yet in force.
bool ChangedFlag(std::string_view plain, int headerOffset);

// A plain reply split into its fields once, for a reader that asks several questions of one reply (its
// kind, the changed flag, then its reading): each function above splits the line again. The line must
// outlive the reader.
class ReplyReader {
public:
    // lastField: the highest field any question asks about; the line is not split beyond it.
    ReplyReader(std::string_view plain, int headerOffset, int formatVersion, int lastField = reply_field::kChangedFlag);

    std::string Keyword() const;
    ReplyKind Kind() const;
    bool ChangedFlag() const;
    StatusReading Status() const;
    ParameterReading Parameters() const;
    bool ResetAck() const;
    // The reply carries every field its reading needs: a status reply reaches its echo number, a
    // parameter reply its firmware date. A line cut short still reads (missing fields as empty), but a
    // program that reports values must not take those for the device's.
    bool Complete() const;
    // Whether the reply gives field k (counted as the readings count them, k at most lastField): a
    // reply cut short reports only the fields it reached.
    bool Reaches(int k) const { return fields_.Count() >= headerOffset_ + k; }
    int FormatVersion() const { return formatVersion_; }

private:
    std::string_view Raw(int k) const;
    std::string_view Trimmed(int k) const;
    bool Is(int k, std::string_view expected) const;
    bool ChangedMarkAt(int k) const;
    std::string Address(int k) const;

    Fields fields_;
    int headerOffset_;
    int formatVersion_;
    int lastField_;
};

}  // namespace korva
