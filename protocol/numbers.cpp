#include "protocol/numbers.h"

#include <limits>
#include <optional>

namespace korva {
namespace {

// One to eight hexadecimal digits and nothing else. 80000000-FFFFFFFF are the 32-bit two's
// complement of negative numbers, so the value is kept unsigned until the caller casts it.
std::optional<std::uint32_t> ParseHexDigits(std::string_view digits) {
    if (digits.empty() || digits.size() > 8)
        return std::nullopt;
    std::uint32_t value = 0;
    for (char c : digits) {
        const int digit = HexDigitValue(c);
        if (digit < 0)
            return std::nullopt;
        value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    return value;
}

// Blanks, sign, optional hexadecimal prefix, digits; nullopt when any of it is malformed.
std::optional<std::int32_t> ParseInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }

    bool hex = false;
    if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
        hex = true;
        i += 1;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }

    const std::string_view digits = text.substr(i);
    if (digits.empty())
        return std::nullopt;

    if (hex) {
        const auto value = ParseHexDigits(digits);
        if (!value)
            return std::nullopt;
        return static_cast<std::int32_t>(negative ? 0u - *value : *value);
    }

    std::int64_t value = 0;
    const std::int64_t limit = negative ? -static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::min())
                                        : std::numeric_limits<std::int32_t>::max();
    for (char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > limit)
            return std::nullopt;
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}

// The fields searched are a few bytes long: a loop costs less than a call to memchr.
bool HasDollar(std::string_view text) {
    for (const char c : text) {
        if (c == '$')
            return true;
    }
    return false;
}

constexpr char kUpperHexDigits[] = "0123456789ABCDEF";

}  // namespace

std::int32_t ToInteger(std::string_view text) {
    // Most fields are a few plain digits; nine cannot overflow. Anything else takes the full rules.
    if (!text.empty() && text.size() <= 9) {
        std::int32_t value = 0;
        std::size_t i = 0;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
            value = value * 10 + (text[i] - '0');
        if (i == text.size())
            return value;
    }
    return ParseInteger(text).value_or(0);
}

std::int32_t HexValue(std::string_view text) {
    // Bare digits, the usual case, hold no "$" to send them to ToInteger.
    if (const auto digits = ParseHexDigits(text))
        return static_cast<std::int32_t>(*digits);
    // A "$" in front leaves no room for blanks or a sign: only the digits themselves remain.
    return HasDollar(text) ? ToInteger(text) : 0;
}

std::string ZeroPadded(std::int32_t value, int width) {
    std::string text = std::to_string(value);
    while (static_cast<int>(text.size()) < width) {
        // Zero and negatives widen after their first character: '0' -> '00', '-5' -> '-05'.
        if (value <= 0)
            text.insert(1, 1, '0');
        else
            text.insert(0, 1, '0');
    }
    return text;
}

char* WriteLeftPadAndCut(char* out, std::string_view piece, int width, char fill) {
    if (width <= 0)
        return out;
    const auto wanted = static_cast<std::size_t>(width);
    for (std::size_t length = piece.size(); length < wanted; ++length)
        *out++ = fill;
    // A byte at a time: the pieces are a few bytes long, shorter than a call to copy them costs.
    for (const char c : piece.substr(0, wanted))
        *out++ = c;
    return out;
}

std::string HexText(std::int32_t value, int digits) {
    auto bits = static_cast<std::uint32_t>(value);
    std::string text;
    do {
        text.insert(0, 1, kUpperHexDigits[bits & 0xF]);
        bits >>= 4;
    } while (bits != 0);
    if (static_cast<int>(text.size()) < digits)
        text.insert(0, static_cast<std::size_t>(digits) - text.size(), '0');
    return text;
}

}  // namespace korva
