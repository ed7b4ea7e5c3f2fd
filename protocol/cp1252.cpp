#include "protocol/cp1252.h"

#include <array>
#include <cstdint>

namespace korva {

namespace {

// Windows-1252 differs from Latin-1 only in 0x80-0x9F. The five holes (81, 8D, 8F, 90, 9D) map to the
// C1 control of the same value, as Windows itself converts them, so every byte survives a round trip.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char32_t CodePointOf(unsigned char byte) {
    return byte >= 0x80 && byte <= 0x9F ? kHighControls[byte - 0x80] : char32_t{byte};
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

char ByteFor(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
        return static_cast<char>(cp);
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == cp)
            return static_cast<char>(0x80 + i);
    }
    return '?';
}

// Decodes one UTF-8 sequence at text[i], advancing i; malformed input yields nothing (U+FFFD sentinel).
char32_t NextCodePoint(std::string_view text, std::size_t& i) {
    constexpr char32_t kInvalid = 0xFFFD;
    const auto lead = static_cast<unsigned char>(text[i++]);
    if (lead < 0x80)
        return lead;
    int continuation = 0;
    char32_t cp = 0;
    if ((lead & 0xE0) == 0xC0) {
        continuation = 1;
        cp = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        continuation = 2;
        cp = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        continuation = 3;
        cp = lead & 0x07;
    } else {
        return kInvalid;
    }
    for (int k = 0; k < continuation; ++k) {
        if (i >= text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
            return kInvalid;
        cp = (cp << 6) | (static_cast<unsigned char>(text[i++]) & 0x3F);
    }
    return cp;
}

}  // namespace

std::string Cp1252ToUtf8(std::string_view cp1252) {
    std::string utf8;
    utf8.reserve(cp1252.size());
    for (char c : cp1252)
        AppendUtf8(utf8, CodePointOf(static_cast<unsigned char>(c)));
    return utf8;
}

std::string Utf8ToCp1252(std::string_view utf8) {
    std::string bytes;
    bytes.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();)
        bytes += ByteFor(NextCodePoint(utf8, i));
    return bytes;
}

}  // namespace korva
