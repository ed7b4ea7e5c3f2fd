#include "protocol/address_text.h"

#include "protocol/fields.h"
#include "protocol/numbers.h"
#include "protocol/reply_format.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace korva {

std::optional<SeparatedNumbers> ParseSeparatedNumbers(std::string_view text, const NumberShape& shape) {
    SeparatedNumbers numbers;
    const std::size_t mostParts = std::min(shape.maxParts, SeparatedNumbers::kMostParts);
    const auto base = static_cast<std::uint64_t>(shape.base);
    const char* in = text.data();
    const char* const end = in + text.size();
    while (numbers.count < mostParts) {
        const char* const first = in;
        std::uint64_t value = 0;
        for (; in != end && *in != shape.separator; ++in) {
            const int digit = HexDigitValue(*in);
            if (digit < 0 || digit >= shape.base)
                return std::nullopt;
            value = std::min(value * base + static_cast<std::uint64_t>(digit), SeparatedNumbers::kTooLarge);
        }
        const auto digits = static_cast<std::size_t>(in - first);
        if (digits == 0 || digits > shape.maxDigits)
            return std::nullopt;
        numbers.values[numbers.count++] = value;
        if (in == end)
            return numbers;
        ++in;
    }
    return std::nullopt;
}

std::optional<std::uint32_t> ParseIpv4(std::string_view text) {
    const auto octets = ParseSeparatedNumbers(text, {.separator = '.', .base = 10, .maxParts = 4, .maxDigits = 3});
    if (!octets || octets->count != 4)
        return std::nullopt;
    std::uint32_t address = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        if (octets->values[i] > 255)
            return std::nullopt;
        address = address << 8 | static_cast<std::uint32_t>(octets->values[i]);
    }
    return address;
}

std::string Ipv4Text(std::uint32_t address) {
    return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xFF) + "." +
           std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF);
}

std::string PaddedIpv4Text(std::uint32_t address) {
    std::string padded(4 * 4 - 1, '.');
    for (int octet = 0; octet < 4; ++octet) {
        const std::uint32_t value = (address >> (8 * (3 - octet))) & 0xFF;
        char* const digits = padded.data() + 4 * octet;
        digits[0] = static_cast<char>('0' + value / 100);
        digits[1] = static_cast<char>('0' + value / 10 % 10);
        digits[2] = static_cast<char>('0' + value % 10);
    }
    return padded;
}

std::string PaddedDottedQuad(std::string_view dottedQuad) {
    const Fields octets(dottedQuad, '.', 4);
    std::string padded(4 * 4 - 1, '.');
    for (int octet = 1; octet <= 4; ++octet)
        WriteLeftPadAndCut(padded.data() + 4 * (octet - 1), octets[octet], 3, '0');
    return padded;
}

namespace {

// "-2147483648.-2147483648.-2147483648.-2147483648": octets of up to eight hexadecimal digits read
// from 80000000 on as negative, as HexValue reads them.
constexpr std::size_t kLongestDecimalQuad = 4 * 11 + 3;

char* WriteDecimal(char* out, std::int32_t value) {
    return std::to_chars(out, out + 11, value).ptr;
}

// 0-255 in decimal, each padded to four bytes whose last one is the length: copied whole, then the
// write position moves on by the length. Cheaper than a general conversion for every octet.
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

// Octets above 255 (up to eight hexadecimal digits) are written as HexValue reads them, negative
// from 80000000 on.
char* WriteOctetInDecimal(char* out, std::uint64_t octet) {
    if (octet > 255)
        return WriteDecimal(out, static_cast<std::int32_t>(static_cast<std::uint32_t>(octet)));
    const std::array<char, 4>& text = kOctetsInDecimal[octet];
    std::memcpy(out, text.data(), text.size());
    return out + text[3];
}

// "C0.A8.00.FA": two digits to every octet, the way the devices write an address, read without
// searching for the dots: three of these in every parameter reply of version 130 make its reading
// a third slower through the general reading below. Null for any other shape.
char* TwoDigitHexOctetsInDecimal(std::string_view hexOctets, char* decimal) {
    if (hexOctets.size() != 4 * 3 - 1)
        return nullptr;
    const char* in = hexOctets.data();
    for (int octet = 1; octet <= 4; ++octet, in += 3) {
        const int high = HexDigitValue(in[0]);
        const int low = HexDigitValue(in[1]);
        if ((high | low) < 0 || (octet < 4 && in[2] != '.'))
            return nullptr;
        decimal = WriteOctetInDecimal(decimal, static_cast<std::uint64_t>(high * 16 + low));
        if (octet < 4)
            *decimal++ = '.';
    }
    return decimal;
}

// 'C0.A8.00.FA' -> '192.168.0.250'. Four groups of one to eight digits are read in one pass; anything
// else octet by octet, by rules that read what is not a number as 0 and keep the fourth octet from
// the third dot on.
std::string DecimalQuadFromHexOctets(std::string_view hexOctets) {
    std::array<char, kLongestDecimalQuad> decimal;
    if (char* end = TwoDigitHexOctetsInDecimal(hexOctets, decimal.data()))
        return std::string(decimal.data(), end);
    char* out = decimal.data();
    const NumberShape hexQuad{.separator = '.', .base = 16, .maxParts = 4, .maxDigits = 8};
    if (const auto octets = ParseSeparatedNumbers(hexOctets, hexQuad); octets && octets->count == 4) {
        for (std::size_t i = 0; i < 4; ++i) {
            if (i > 0)
                *out++ = '.';
            out = WriteOctetInDecimal(out, octets->values[i]);
        }
        return std::string(decimal.data(), out);
    }
    std::string_view rest = hexOctets;
    for (int octet = 1; octet <= 3; ++octet) {
        const std::size_t dot = rest.find('.');
        // Without a dot the octet reads as empty (0) and nothing is consumed.
        const std::string_view head = dot == std::string_view::npos ? std::string_view() : rest.substr(0, dot);
        out = WriteDecimal(out, HexValue(head));
        *out++ = '.';
        if (dot != std::string_view::npos)
            rest.remove_prefix(dot + 1);
    }
    out = WriteDecimal(out, HexValue(rest));
    return std::string(decimal.data(), out);
}

constexpr std::size_t kMacLength = 6 * 3 - 1;
constexpr char kUpperHexDigits[] = "0123456789ABCDEF";

bool IsSixColonSeparatedPairs(std::string_view text) {
    if (text.size() != kMacLength)
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((text[i] == ':') != (i % 3 == 2))
            return false;
    }
    return true;
}

// Upper-case hexadecimal with at least two digits; negatives in 32-bit two's complement.
char* WriteHexOctet(char* out, std::int32_t value) {
    std::array<char, 8> reversed;
    std::size_t count = 0;
    auto bits = static_cast<std::uint32_t>(value);
    do {
        reversed[count++] = kUpperHexDigits[bits & 0xF];
        bits >>= 4;
    } while (bits != 0);
    if (count < 2)
        reversed[count++] = '0';
    while (count > 0)
        *out++ = reversed[--count];
    return out;
}

// '0:26:171:1:2:255' -> '00-1A-AB-01-02-FF'. Octets out of range widen the text, and the dashes
// still go before its 3rd, 5th, 7th, 9th and 11th character: '256:1:2:3:4:5' -> '10-00-10-20-30-405'.
std::string MacFromDecimalOctets(std::string_view decimalOctets) {
    const NumberShape sixOctets{.separator = ':', .base = 10, .maxParts = 6, .maxDigits = 3};
    const auto octets = ParseSeparatedNumbers(decimalOctets, sixOctets);
    if (octets && octets->count == 6 && *std::max_element(octets->values.begin(), octets->values.end()) <= 255) {
        // Two digits to every octet: the dashes fall between them.
        std::string mac(kMacLength, '-');
        for (std::size_t i = 0; i < 6; ++i) {
            mac[3 * i] = kUpperHexDigits[octets->values[i] >> 4];
            mac[3 * i + 1] = kUpperHexDigits[octets->values[i] & 0xF];
        }
        return mac;
    }
    std::array<char, 6 * 8> joined;
    char* end = joined.data();
    const Fields words(decimalOctets, ':', 6);
    for (int octet = 1; octet <= 6; ++octet)
        end = WriteHexOctet(end, ToInteger(words[octet]));
    std::string mac;
    for (const char* at = joined.data(); at != end; ++at) {
        const auto position = at - joined.data();
        if (position >= 2 && position <= 10 && position % 2 == 0)
            mac += '-';
        mac += *at;
    }
    return mac;
}

// '0:1a:AB:1:2:ff' -> '00-1a-AB-01-02-ff': every octet is cut or widened to two characters.
std::string MacFromHexOctets(std::string_view hexOctets) {
    std::string mac(hexOctets);
    if (IsSixColonSeparatedPairs(hexOctets)) {
        // As the new forms send it, two characters to every octet: only the separators change.
        for (std::size_t colon = 2; colon < mac.size(); colon += 3)
            mac[colon] = '-';
        return mac;
    }
    mac.assign(kMacLength, '-');
    const Fields octets(hexOctets, ':', 6);
    for (int octet = 1; octet <= 6; ++octet)
        WriteLeftPadAndCut(mac.data() + 3 * (octet - 1), octets[octet], 2, '0');
    return mac;
}

}  // namespace

std::string ReplyAddressText(std::string_view field, int formatVersion) {
    return formatVersion == kHexAddressVersion ? DecimalQuadFromHexOctets(field) : std::string(field);
}

std::string ReplyMacText(std::string_view field, int formatVersion) {
    return formatVersion < kFirstNewFormVersion ? MacFromDecimalOctets(field) : MacFromHexOctets(field);
}

}  // namespace korva
