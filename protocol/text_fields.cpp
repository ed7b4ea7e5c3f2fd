#include "protocol/text_fields.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cassert>
#include <charconv>
#include <cstring>
#include <limits>
#include <optional>
#include <utility>

namespace korva {

std::size_t FindWordStart(int wordNumber, std::string_view text, const DelimiterSet& delimiters) {
    // Walks with 0-based indices; the result is reported 1-based.
    std::size_t i = 0;
    int count = 0;
    while (i < text.size() && count != wordNumber) {
        while (i < text.size() && delimiters.contains(text[i]))
            ++i;
        if (i < text.size()) {
            ++count;
            if (count == wordNumber)
                return i + 1;
        }
        while (i < text.size() && !delimiters.contains(text[i]))
            ++i;
    }
    return 0;
}

Word ExtractWordAt(int wordNumber, std::string_view text, const DelimiterSet& delimiters) {
    const std::size_t position = FindWordStart(wordNumber, text, delimiters);
    if (position == 0)
        return {};
    std::size_t end = position - 1;
    while (end < text.size() && !delimiters.contains(text[end]))
        ++end;
    return {std::string(text.substr(position - 1, end - (position - 1))), position};
}

std::string CharacterField(int fieldNumber, std::string_view text, char delimiter) {
    // A delimiter appended at the end would separate nothing: words never include delimiters.
    return ExtractWordAt(fieldNumber, text, DelimiterSet(delimiter)).text;
}

std::string ReplyField(int fieldNumber, std::string_view reply) {
    return CharacterField(fieldNumber, reply, ',');
}

namespace {

constexpr std::uint64_t kLowSevenBits = 0x7F7F7F7F7F7F7F7FULL;
constexpr std::uint64_t kCommas = 0x2C2C2C2C2C2C2C2CULL;

// The top bit of every byte of word that is a comma, and no other bit.
std::uint64_t CommaBits(std::uint64_t word) {
    const std::uint64_t x = word ^ kCommas;  // commas become zero bytes
    // Adding 0x7F carries into the top bit of every byte whose low seven bits are not all zero; or-ing
    // x adds the bytes whose top bit was set. What is left clear is exactly the zero bytes.
    return ~(((x & kLowSevenBits) + kLowSevenBits) | x | kLowSevenBits);
}

}  // namespace

void ReplyFields::Spill(const Field& field) {
    overflow_.push_back(field);
}

ReplyFields::ReplyFields(std::string_view line, int lastField) {
    // Counted in a local: stores through a char pointer would make the compiler reload a member.
    std::size_t count = 0;
    const std::size_t wanted = lastField < 0 ? 0 : static_cast<std::size_t>(lastField);
    const char* start = line.data();
    const char* const end = start + line.size();
    const char* i = start;
    const auto comma = [&](const char* at) {
        if (at != start)
            Keep(count, start, at);
        start = at + 1;
    };
    // Eight bytes at a time: most fields are one to three bytes long, so a test per byte would cost
    // more than the commas found. The bit order needs the first byte in the lowest bits.
    if constexpr (std::endian::native == std::endian::little) {
        for (; end - i >= 8 && count < wanted; i += 8) {
            std::uint64_t word = 0;
            std::memcpy(&word, i, sizeof word);
            for (std::uint64_t commas = CommaBits(word); commas != 0 && count < wanted; commas &= commas - 1)
                comma(i + std::countr_zero(commas) / 8);
        }
    }
    for (; i != end && count < wanted; ++i) {
        if (*i == ',')
            comma(i);
    }
    if (start < end && count < wanted)
        Keep(count, start, end);
    count_ = count;
}

namespace {

// The fields searched are a few bytes long: a loop costs less than a call to memchr.
std::size_t FindByte(std::string_view text, char wanted) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == wanted)
            return i;
    }
    return std::string_view::npos;
}

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

// Every byte's value as a hexadecimal digit, -1 for the rest: a lookup costs less than three ranges
// tested for each of an address's dozen digits.
constexpr auto kHexDigitValues = [] {
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

// The digits every hexadecimal text here is written with.
constexpr char kUpperHexDigits[] = "0123456789ABCDEF";

}  // namespace

int HexDigitValue(char c) {
    return kHexDigitValues[static_cast<unsigned char>(c)];
}

std::string Trim(std::string_view text) {
    return std::string(TrimView(text));
}

std::string UpperCaseAscii(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return upper;
}

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
    return FindByte(text, '$') != std::string_view::npos ? ToInteger(text) : 0;
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

std::string LeftPadAndCut(std::string_view text, int width, char fill) {
    std::string padded(static_cast<std::size_t>(std::max(width, 0)), fill);
    WriteLeftPadAndCut(padded.data(), text, width, fill);
    return padded;
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

std::string PaddedDottedQuad(std::string_view dottedQuad) {
    std::string joined;
    for (int octet = 1; octet <= 4; ++octet)
        joined += LeftPadAndCut(CharacterField(octet, dottedQuad, '.'), 3, '0');
    // Inserted from the back so the earlier positions stay put.
    joined.insert(9, 1, '.');
    joined.insert(6, 1, '.');
    joined.insert(3, 1, '.');
    return joined;
}

namespace {

// A short text assembled on the stack: a reading keeps only the finished text, so the pieces it is
// made of never reach the heap.
template <std::size_t Capacity>
class ShortText {
public:
    void Append(std::string_view text) {
        assert(size_ + text.size() <= Capacity);
        // Counted in a local: stores through a char would make the compiler reload the member.
        std::size_t size = size_;
        for (const char c : text)
            bytes_[size++] = c;
        size_ = size;
    }
    void Append(char c) { Append(std::string_view(&c, 1)); }
    void AppendDecimal(std::int32_t value) {
        std::array<char, 11> digits;  // "-2147483648"; only what to_chars writes is read
        const auto written = std::to_chars(digits.data(), digits.data() + digits.size(), value).ptr;
        Append(std::string_view(digits.data(), static_cast<std::size_t>(written - digits.data())));
    }
    // Upper-case hexadecimal with at least two digits; negatives in 32-bit two's complement.
    void AppendHexOctet(std::int32_t value) {
        std::array<char, 8> reversed{};
        std::size_t count = 0;
        auto bits = static_cast<std::uint32_t>(value);
        do {
            reversed[count++] = kUpperHexDigits[bits & 0xF];
            bits >>= 4;
        } while (bits != 0);
        if (count < 2)
            reversed[count++] = '0';
        while (count > 0)
            Append(reversed[--count]);
    }
    std::string_view View() const { return {bytes_.data(), size_}; }

private:
    std::array<char, Capacity> bytes_;  // only the first size_ are ever read
    std::size_t size_ = 0;
};

// Calls each(word) for words 1 to count of text; missing words are empty.
template <typename Each>
void ForEachWord(std::string_view text, char delimiter, int count, Each each) {
    std::size_t i = 0;
    for (int word = 0; word < count; ++word) {
        while (i < text.size() && text[i] == delimiter)
            ++i;
        const std::size_t start = i;
        while (i < text.size() && text[i] != delimiter)
            ++i;
        each(text.substr(start, i - start));
    }
}

// Six octets of two characters (or longer, for out-of-range octets) joined, with "-" before the 3rd,
// 5th, 7th, 9th and 11th character. The joined octets are never shorter than twelve characters.
template <std::size_t Capacity>
std::string DashedMac(const ShortText<Capacity>& joined) {
    const std::string_view octets = joined.View();
    ShortText<Capacity + 5> dashed;
    for (std::size_t position = 0; position < octets.size(); ++position) {
        if (position >= 2 && position <= 10 && position % 2 == 0)
            dashed.Append('-');
        dashed.Append(octets[position]);
    }
    return std::string(dashed.View());
}

}  // namespace

namespace {

// Octets are one to three digits; larger values take the general conversion.
char* WriteDecimal(char* out, char* end, std::uint32_t value) {
    if (value < 10) {
        *out++ = static_cast<char>('0' + value);
    } else if (value < 100) {
        *out++ = static_cast<char>('0' + value / 10);
        *out++ = static_cast<char>('0' + value % 10);
    } else if (value < 1000) {
        *out++ = static_cast<char>('0' + value / 100);
        *out++ = static_cast<char>('0' + value / 10 % 10);
        *out++ = static_cast<char>('0' + value % 10);
    } else {
        // Eight digits from 80000000 on are negative, as HexValue reads them.
        out = std::to_chars(out, end, static_cast<std::int32_t>(value)).ptr;
    }
    return out;
}

constexpr std::size_t kLongestDecimalQuad = 4 * 11 + 3;

// Four groups of one to eight hexadecimal digits between three dots, as devices send addresses, read
// in one pass into decimal. Returns the end of what was written, or null for anything else, which
// the general rules below read.
char* BareHexOctetsInDecimal(std::string_view hexOctets, char* decimal) {
    char* const end = decimal + kLongestDecimalQuad;
    const char* in = hexOctets.data();
    const char* const inEnd = in + hexOctets.size();
    for (int octet = 1; octet <= 4; ++octet) {
        const char* const first = in;
        std::uint32_t value = 0;
        for (; in != inEnd && *in != '.'; ++in) {
            const int digit = HexDigitValue(*in);
            if (digit < 0)
                return nullptr;
            value = value * 16 + static_cast<std::uint32_t>(digit);
        }
        if (in == first || in - first > 8)
            return nullptr;
        decimal = WriteDecimal(decimal, end, value);
        if (octet < 4) {
            if (in == inEnd)
                return nullptr;
            *decimal++ = '.';
            ++in;
        }
    }
    return in == inEnd ? decimal : nullptr;
}

// 0-255 in decimal, each padded to four bytes whose last one is the length: copied whole, then the
// write position moves on by the length.
constexpr auto kOctetsInDecimal = [] {
    std::array<std::array<char, 4>, 256> texts{};
    for (int value = 0; value < 256; ++value) {
        std::array<char, 4>& text = texts[static_cast<std::size_t>(value)];
        const int length = value < 10 ? 1 : value < 100 ? 2 : 3;
        for (int digit = length - 1, rest = value; digit >= 0; --digit, rest /= 10)
            text[static_cast<std::size_t>(digit)] = static_cast<char>('0' + rest % 10);
        text[3] = static_cast<char>(length);
    }
    return texts;
}();

// "C0.A8.00.FA": two digits to every octet, the way the devices write an address, read without
// searching for the dots. Null for any other shape.
char* TwoDigitHexOctetsInDecimal(std::string_view hexOctets, char* decimal) {
    constexpr std::size_t kShape = 4 * 3 - 1;
    if (hexOctets.size() != kShape)
        return nullptr;
    const char* in = hexOctets.data();
    for (int octet = 1; octet <= 4; ++octet, in += 3) {
        const int high = HexDigitValue(in[0]);
        const int low = HexDigitValue(in[1]);
        if ((high | low) < 0)
            return nullptr;
        const std::array<char, 4>& text = kOctetsInDecimal[static_cast<std::size_t>(high * 16 + low)];
        std::memcpy(decimal, text.data(), text.size());
        decimal += text[3];
        if (octet < 4) {
            if (in[2] != '.')
                return nullptr;
            *decimal++ = '.';
        }
    }
    return decimal;
}

// "00:1A:AB:01:02:FF": six octets of two characters between colons, the way the devices write a MAC.
constexpr std::size_t kPairedMacLength = 6 * 3 - 1;
bool IsSixColonSeparatedPairs(std::string_view text) {
    if (text.size() != kPairedMacLength)
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((text[i] == ':') != (i % 3 == 2))
            return false;
    }
    return true;
}

// "0:26:171:1:2:255": six octets of one to three decimal digits between colons, the way the devices
// of the old forms write a MAC, written as "00-1A-AB-01-02-FF". False for any other shape.
bool SixDecimalOctetsInHex(std::string_view decimalOctets, char* mac) {
    const char* in = decimalOctets.data();
    const char* const end = in + decimalOctets.size();
    for (int octet = 1; octet <= 6; ++octet) {
        const char* const first = in;
        unsigned value = 0;
        for (; in != end && in - first < 3 && *in >= '0' && *in <= '9'; ++in)
            value = value * 10 + static_cast<unsigned>(*in - '0');
        if (in == first || value > 255)
            return false;
        *mac++ = kUpperHexDigits[value >> 4];
        *mac++ = kUpperHexDigits[value & 0xF];
        if (octet < 6) {
            if (in == end || *in != ':')
                return false;
            *mac++ = '-';
            ++in;
        }
    }
    return in == end;
}

}  // namespace

std::string DottedQuadFromHexOctets(std::string_view hexOctets) {
    std::array<char, kLongestDecimalQuad> bare;
    if (char* end = TwoDigitHexOctetsInDecimal(hexOctets, bare.data()))
        return std::string(bare.data(), end);
    if (char* end = BareHexOctetsInDecimal(hexOctets, bare.data()))
        return std::string(bare.data(), end);
    std::string_view rest = hexOctets;
    ShortText<kLongestDecimalQuad> decimal;
    for (int octet = 1; octet <= 3; ++octet) {
        const std::size_t dot = FindByte(rest, '.');
        // Without a dot the octet reads as empty (0) and nothing is consumed.
        const std::string_view head = dot == std::string_view::npos ? std::string_view() : rest.substr(0, dot);
        decimal.AppendDecimal(HexValue(head));
        decimal.Append('.');
        if (dot != std::string_view::npos)
            rest.remove_prefix(dot + 1);
    }
    decimal.AppendDecimal(HexValue(rest));
    return std::string(decimal.View());
}

std::string MacFromDecimalOctets(std::string_view decimalOctets) {
    std::array<char, kPairedMacLength> paired;
    if (SixDecimalOctetsInHex(decimalOctets, paired.data()))
        return std::string(paired.data(), paired.size());
    ShortText<6 * 8> joined;
    ForEachWord(decimalOctets, ':', 6, [&](std::string_view octet) { joined.AppendHexOctet(ToInteger(octet)); });
    return DashedMac(joined);
}

std::string MacFromHexOctets(std::string_view hexOctets) {
    if (IsSixColonSeparatedPairs(hexOctets)) {
        // Already two characters to every octet: only the separators change.
        std::string mac(hexOctets);
        for (std::size_t colon = 2; colon < mac.size(); colon += 3)
            mac[colon] = '-';
        return mac;
    }
    // Every octet is cut or widened to two characters: "xx-xx-xx-xx-xx-xx", written in place.
    std::string mac(kPairedMacLength, '-');
    std::size_t octetAt = 0;
    ForEachWord(hexOctets, ':', 6, [&](std::string_view octet) {
        WriteLeftPadAndCut(mac.data() + octetAt, octet, 2, '0');
        octetAt += 3;
    });
    return mac;
}

}  // namespace korva
