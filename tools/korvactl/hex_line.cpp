#include "tools/korvactl/hex_line.h"

#include "protocol/text_fields.h"

namespace korva::ctl {

namespace {

bool IsSeparator(char c) {
    return c == ' ' || c == '\t' || c == ':' || c == '\r';
}

}  // namespace

std::optional<std::string> ParseHexLine(std::string_view line) {
    std::string bytes;
    int high = -1;  // the first digit of a pair, waiting for its second
    for (char c : line) {
        if (IsSeparator(c)) {
            if (high >= 0)
                return std::nullopt;  // a lone digit between separators
            continue;
        }
        const int digit = HexDigitValue(c);
        if (digit < 0)
            return std::nullopt;
        if (high < 0) {
            high = digit;
        } else {
            bytes += static_cast<char>(high * 16 + digit);
            high = -1;
        }
    }
    if (high >= 0)
        return std::nullopt;
    return bytes;
}

}  // namespace korva::ctl
