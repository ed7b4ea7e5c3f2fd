#include "protocol/request_reader.h"

#include "protocol/address_text.h"
#include "protocol/fields.h"
#include "protocol/numbers.h"

#include <string>

namespace korva {
namespace {

// "000 address mask gateway", the words separated by any run of white space.
std::optional<Request> ReadWrite(std::string_view arguments) {
    std::string blanked(arguments);
    for (char& c : blanked) {
        if (c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r')
            c = ' ';
    }
    const Fields words(blanked, ' ', 5);
    const auto address = ParseIpv4(words[2]);
    const auto mask = ParseIpv4(words[3]);
    const auto gateway = ParseIpv4(words[4]);
    if (words[1] != "000" || !address || !mask || !gateway || words.Count() > 4)
        return std::nullopt;
    return Request{.kind = RequestKind::kWrite, .address = *address, .mask = *mask, .gateway = *gateway};
}

}  // namespace

std::optional<Request> ReadRequest(std::string_view line) {
    const std::string_view trimmed = TrimView(line);
    const std::string keyword = UpperCaseAscii(trimmed.substr(0, 3));
    if (keyword == "SND")
        return Request{.kind = RequestKind::kLiveData};
    if (keyword == "RPR")
        return Request{.kind = RequestKind::kParameters};
    if (keyword == "RST" && UpperCaseAscii(trimmed.substr(0, 9)) == "RST000005")
        return Request{.kind = RequestKind::kReset, .echo = ToInteger(trimmed.substr(9))};
    if (keyword == "WPR")
        return ReadWrite(trimmed.substr(3));
    return std::nullopt;
}

}  // namespace korva
