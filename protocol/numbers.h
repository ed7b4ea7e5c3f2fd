#pragma once
// The number conversions between the device's texts and the values the programs hold. Every reading
// is total: a bad number reads as 0.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace korva {

// Every byte's value as a hexadecimal digit, -1 for the rest: a lookup costs less than three ranges
// tested for each of an address's dozen digits.
inline constexpr auto kHexDigitValues = [] {
    std::array<std::int8_t, 256> values{};
    values.fill(-1);
    for (int c = 0; c < 256; ++c) {
        if (c >= '0' && c <= '9')
            values[c] = static_cast<std::int8_t>(c - '0');
        else if (c >= 'a' && c <= 'f')
            values[c] = static_cast<std::int8_t>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            values[c] = static_cast<std::int8_t>(c - 'A' + 10);
    }
    return values;
}();

// The value 0-15 of a hexadecimal digit in either case, or -1 for any other character. Inline: the
// address readers look up every digit.
inline int HexDigitValue(char c) {
    return kHexDigitValues[static_cast<unsigned char>(c)];
}

// Reads text as a 32-bit integer: blanks (byte 32) first, an optional sign, then decimal digits or,
// after "$", "x", "X", "0x" or "0X", at most eight hexadecimal digits (80000000-FFFFFFFF wrap to
// negative). Anything else, an empty text or a decimal overflow reads as 0.
std::int32_t ToInteger(std::string_view text);
// Reads text as hexadecimal: a "$" is put in front unless the text has one somewhere already.
std::int32_t HexValue(std::string_view text);

// Decimal text of value widened with zeros to width: (7,2) '07', (-5,3) '-05', (123,2) '123'.
std::string ZeroPadded(std::int32_t value, int width);
// piece widened on the left with fill to at least width, then cut to its first width characters,
// written over the width bytes at out, which must have room for them; returns their end.
char* WriteLeftPadAndCut(char* out, std::string_view piece, int width, char fill);
// Upper-case hexadecimal of value with at least the given digits; negatives in 32-bit two's complement.
std::string HexText(std::int32_t value, int digits);

}  // namespace korva
