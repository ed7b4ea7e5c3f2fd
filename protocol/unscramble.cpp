#include "protocol/unscramble.h"

#include "protocol/fields.h"
#include "protocol/numbers.h"
#include "protocol/reply_format.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

namespace korva {

namespace {

constexpr std::size_t kHeaderBytes = 20;
constexpr int kBaseShift = 35;

char Shifted(char c, long long shift) {
    // Conversion to an unsigned byte is arithmetic modulo 256, which is the wrap the devices use.
    return static_cast<char>(static_cast<unsigned char>(static_cast<long long>(static_cast<unsigned char>(c)) + shift));
}

// A 20-byte shift pattern written out long enough that eight bytes can be read from any position in it.
using RepeatedPattern = std::array<unsigned char, 2 * kHeaderBytes + 8>;

constexpr std::uint64_t kLowSevenBits = 0x7F7F7F7F7F7F7F7FULL;

// Eight byte-wise sums modulo 256 at once: the top bits are added without a carry into the next byte.
std::uint64_t AddBytes(std::uint64_t a, std::uint64_t b) {
    return ((a & kLowSevenBits) + (b & kLowSevenBits)) ^ ((a ^ b) & ~kLowSevenBits);
}

// Adds to every byte in [from, to) the amount for its position in a pattern that repeats every 20 bytes.
// Every reply of the new form goes through here, eight bytes at a time where the bytes are in the
// order the sums need (first byte lowest).
void AddRepeating(std::string& text, std::size_t from, std::size_t to, const RepeatedPattern& pattern) {
    std::size_t p = from;
    std::size_t cycle = p % kHeaderBytes;
    if constexpr (std::endian::native == std::endian::little) {
        for (; to - p >= 8; p += 8) {
            std::uint64_t bytes = 0;
            std::uint64_t shifts = 0;
            std::memcpy(&bytes, text.data() + p, sizeof bytes);
            std::memcpy(&shifts, pattern.data() + cycle, sizeof shifts);
            bytes = AddBytes(bytes, shifts);
            std::memcpy(text.data() + p, &bytes, sizeof bytes);
            cycle += 8;
            if (cycle >= kHeaderBytes)
                cycle -= kHeaderBytes;
        }
    }
    for (; p < to; ++p) {
        text[p] = static_cast<char>(static_cast<unsigned char>(text[p]) + pattern[cycle]);
        cycle = (cycle + 1) % kHeaderBytes;
    }
}

// Adds direction times the new form's shift to every byte: (p mod 20) + 35 before position n, (p mod 20)
// + key from n on.
void ShiftNewForm(std::string& text, int n, int key, int direction) {
    RepeatedPattern beforeN;
    RepeatedPattern fromN;
    for (std::size_t cycle = 0; cycle < kHeaderBytes; ++cycle) {
        const auto position = static_cast<long long>(cycle);
        beforeN[cycle] = static_cast<unsigned char>(Shifted(0, direction * (position + kBaseShift)));
        fromN[cycle] = static_cast<unsigned char>(Shifted(0, direction * (position + key)));
    }
    for (std::size_t i = kHeaderBytes; i < beforeN.size(); ++i) {
        beforeN[i] = beforeN[i - kHeaderBytes];
        fromN[i] = fromN[i - kHeaderBytes];
    }
    const std::size_t split = n <= 0 ? 0 : std::min(static_cast<std::size_t>(n), text.size());
    AddRepeating(text, 0, split, beforeN);
    AddRepeating(text, split, text.size(), fromN);
}

// Adds direction times p + 35 to the byte at every position p: the old form shifts by the full position,
// not reduced modulo 20. Through a local pointer: stores through text[p] would make the compiler
// reload the string's size after every byte.
void ShiftOldForm(std::string& text, int direction) {
    char* const bytes = text.data();
    const std::size_t size = text.size();
    for (std::size_t p = 0; p < size; ++p)
        bytes[p] = Shifted(bytes[p], direction * (static_cast<long long>(p) + kBaseShift));
}

// The first bytes un-shifted as the old form would: enough to read any form's header. Kept on the
// stack: a 20-byte string would need the heap once per reply.
class DecodedHeader {
public:
    explicit DecodedHeader(std::string_view text) : size_(std::min(text.size(), kHeaderBytes)) {
        for (std::size_t p = 0; p < size_; ++p)
            bytes_[p] = Shifted(text[p], -static_cast<long long>(p) - kBaseShift);
    }
    std::string_view View() const { return {bytes_.data(), size_}; }

private:
    std::array<char, kHeaderBytes> bytes_{};
    std::size_t size_;
};

// Bytes above 95 lose bit 5 and everything above bit 6: a-z become A-Z and 128-255 fold into 0-95.
// Every byte is written back, changed or not, so that the loop can work on many bytes at once.
void FoldHighBytes(std::string& text) {
    char* const bytes = text.data();
    const std::size_t size = text.size();
    std::size_t p = 0;
    // Eight bytes at a time: a byte above 95 has bit 7 set, or bits 6 and 5; it loses bits 7 and 5.
    constexpr std::uint64_t kLowBits = 0x0101010101010101ULL;
    for (; size - p >= 8; p += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, bytes + p, sizeof word);
        const std::uint64_t high = ((word >> 7) | ((word >> 6) & (word >> 5))) & kLowBits;
        word &= ~(high * 0xA0);
        std::memcpy(bytes + p, &word, sizeof word);
    }
    for (; p < size; ++p) {
        const auto byte = static_cast<unsigned char>(bytes[p]);
        bytes[p] = static_cast<char>(byte > 95 ? byte & 0x5F : byte);
    }
}

void TrimInPlace(std::string& text) {
    const std::string_view trimmed = TrimView(text);
    const auto begin = static_cast<std::size_t>(trimmed.data() - text.data());
    text.erase(begin + trimmed.size()).erase(0, begin);
}

}  // namespace

void UnscrambleReply(std::string& text, int& headerOffset, int& formatVersion) {
    headerOffset = 0;
    formatVersion = 0;
    TrimInPlace(text);

    if (text.compare(0, 4, "0100") != 0) {
        const DecodedHeader header(text);
        const Fields headerFields(header.View(), ',', 3);  // version, key, n
        formatVersion = ToInteger(headerFields[1]);

        if (formatVersion >= kFirstNewFormVersion) {
            headerOffset = 2;
            const int key = HexValue(headerFields[2]) % 60;  // remainder with the sign of the key
            const int n = HexValue(headerFields[3]);
            ShiftNewForm(text, n, key, -1);
        } else if (formatVersion >= kFirstOldFormVersion) {
            ShiftOldForm(text, -1);
        }
    }

    TrimInPlace(text);
    FoldHighBytes(text);
}

PlainReply UnscrambleReply(std::string_view received) {
    PlainReply reply{std::string(received)};
    UnscrambleReply(reply.text, reply.headerOffset, reply.formatVersion);
    return reply;
}

std::string ScrambleReply(std::string_view plain, const ScrambleForm& form) {
    std::string sent(plain);
    if (form.version >= kFirstNewFormVersion) {
        ShiftNewForm(sent, form.n, form.key % 60, +1);
    } else if (form.version >= kFirstOldFormVersion) {
        ShiftOldForm(sent, +1);
    }
    return sent;
}

}  // namespace korva
