#pragma once
// Addresses and MACs as text: the one reading of numbers between separators that every dotted quad,
// MAC and firmware date goes through, and the forms the requests and replies write them in.
#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace korva {

// How the numbers of a text are written: '.' and decimal octets of one to three digits for a
// dotted quad as typed, ':' and two hexadecimal digits for a MAC as the new forms send it.
struct NumberShape {
    char separator = '.';
    int base = 10;  // 10 or 16
    std::size_t maxParts = 4;
    std::size_t maxDigits = std::numeric_limits<std::size_t>::max();
};

struct SeparatedNumbers {
    static constexpr std::size_t kMostParts = 6;
    // A value too large for 32 bits reads as kTooLarge, so that every limit a caller sets refuses it.
    static constexpr std::uint64_t kTooLarge = std::uint64_t{1} << 32;
    std::array<std::uint64_t, kMostParts> values{};
    std::size_t count = 0;
};

// One to shape.maxParts (at most six) numbers between single separators, each of one to
// shape.maxDigits digits of shape.base and nothing else; nullopt for any other text.
std::optional<SeparatedNumbers> ParseSeparatedNumbers(std::string_view text, const NumberShape& shape);

// One address of four decimal octets of one to three digits ("10.1.2.3", "010.001.002.003"), as in
// every address box of the console; host byte order.
std::optional<std::uint32_t> ParseIpv4(std::string_view text);
// "10.1.2.3"
std::string Ipv4Text(std::uint32_t address);
// "010.001.002.003", as the write request carries it.
std::string PaddedIpv4Text(std::uint32_t address);

// '192.168.0.1' -> '192.168.000.001', as the write request carries it. Total: missing octets read as
// empty, longer ones are cut to their first three characters.
std::string PaddedDottedQuad(std::string_view dottedQuad);

// An address field of a parameter reply as a decimal dotted quad: version 130 sends the octets in
// hexadecimal ('C0.A8.00.FA' -> '192.168.0.250'), every other version already in decimal.
std::string ReplyAddressText(std::string_view field, int formatVersion);
// The MAC field of a parameter reply as "00-1A-AB-01-02-FF": the old forms send decimal octets
// ('0:26:171:1:2:255'), the new ones hexadecimal octets that keep their letter case ('0:1a:AB:1:2:ff').
std::string ReplyMacText(std::string_view field, int formatVersion);

}  // namespace korva
