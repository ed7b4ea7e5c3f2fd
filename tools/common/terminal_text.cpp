#include "tools/common/terminal_text.h"

#include "protocol/cp1252.h"

namespace korva::tools {

namespace {

bool IsContinuation(std::string_view text, std::size_t at) {
    return at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80;
}

// The length of the well-formed UTF-8 sequence at text[at] and its code point; 0 when the bytes there
// are no such sequence (overlong forms and surrogates included).
std::size_t Utf8Sequence(std::string_view text, std::size_t at, char32_t& codePoint) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    char32_t low = 0;  // the smallest code point of that length
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1F;
        low = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0F;
        low = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07;
        low = 0x10000;
    } else {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if (!IsContinuation(text, at + i))
            return 0;
        codePoint = (codePoint << 6) | (byte(i) & 0x3F);
    }
    const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
    return codePoint < low || codePoint > 0x10FFFF || surrogate ? 0 : length;
}

bool IsControl(char32_t codePoint) {
    return codePoint < 0x20 || codePoint == 0x7F || (codePoint >= 0x80 && codePoint <= 0x9F);
}

void AppendEscape(std::string& shown, char32_t codePoint) {
    constexpr char kDigits[] = "0123456789abcdef";
    shown += "\\x";
    shown += kDigits[codePoint >> 4];
    shown += kDigits[codePoint & 0xF];
}

}  // namespace

std::string TerminalText(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        char32_t codePoint = 0;
        std::size_t length = Utf8Sequence(text, at, codePoint);
        std::string fromCp1252;
        std::string_view character = text.substr(at, length);
        if (length == 0) {
            fromCp1252 = Cp1252ToUtf8(text.substr(at, 1));
            Utf8Sequence(fromCp1252, 0, codePoint);
            character = fromCp1252;
            length = 1;
        }
        if (IsControl(codePoint))
            AppendEscape(shown, codePoint);
        else
            shown += character;
        at += length;
    }
    return shown;
}

}  // namespace korva::tools
