#pragma once
// The small text toolkit of the device protocol: fields of comma-separated replies, dotted quads,
// MAC texts and the number conversions between the device's forms and the window's.
// Text is a Windows-1252 byte string; positions are 1-based like the device documentation counts
// them. Every operation is total: bad numbers read as 0, missing fields read as empty.
#include <bitset>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace korva {

// A set of byte values that separate words.
class DelimiterSet {
public:
    explicit DelimiterSet(char delimiter) { bits_.set(static_cast<unsigned char>(delimiter)); }
    bool contains(char c) const { return bits_.test(static_cast<unsigned char>(c)); }

private:
    std::bitset<256> bits_;
};

// Position (1-based) of the first character of the N-th word of text, 0 when there is none.
// Words are maximal runs of non-delimiters: runs of delimiters never make empty words.
std::size_t FindWordStart(int wordNumber, std::string_view text, const DelimiterSet& delimiters);

struct Word {
    std::string text;
    std::size_t position = 0;  // 1-based; 0 when the word does not exist
};
Word ExtractWordAt(int wordNumber, std::string_view text, const DelimiterSet& delimiters);

// The N-th comma-separated field of a reply; empty fields are skipped, so 'A,,B' has field 2 'B'.
std::string ReplyField(int fieldNumber, std::string_view reply);
// The N-th field of text separated by the given character.
std::string CharacterField(int fieldNumber, std::string_view text, char delimiter);

// A reply's comma-separated fields, split once: fields[n] is ReplyField(n, line) without rescanning
// the line for every field. The views point into line, which must outlive this object.
class ReplyFields {
public:
    // Splitting stops after field lastField: a reader that needs only the first fields of a line does
    // not pay for the rest, which then read as empty.
    explicit ReplyFields(std::string_view line, int lastField = std::numeric_limits<int>::max());
    // Empty when there is no such field. Inline: a reading asks for a dozen fields of every reply.
    std::string_view operator[](int fieldNumber) const {
        if (fieldNumber < 1 || static_cast<std::size_t>(fieldNumber) > count_)
            return {};
        const auto index = static_cast<std::size_t>(fieldNumber) - 1;
        const Field& field = index < kInlineFields ? inline_[index] : overflow_[index - kInlineFields];
        return {field.data, field.size};
    }

private:
    // Trivial, so that the inline fields are not cleared on construction: only the first count_ are read.
    struct Field {
        const char* data;
        std::size_t size;
    };
    void Keep(std::size_t& count, const char* start, const char* end) {
        const Field field{start, static_cast<std::size_t>(end - start)};
        if (count < kInlineFields)
            inline_[count] = field;
        else
            Spill(field);
        ++count;
    }
    void Spill(const Field& field);

    // Every reply is split once per reading, so the usual thirty-odd fields stay off the heap;
    // only longer lines spill into overflow_.
    static constexpr std::size_t kInlineFields = 32;
    Field inline_[kInlineFields];
    std::vector<Field> overflow_;
    std::size_t count_ = 0;
};

// Removes bytes of value 32 or less at both ends.
std::string Trim(std::string_view text);
// Inline: every field a reading looks at is trimmed.
inline std::string_view TrimView(std::string_view text) {
    const auto trimmable = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && trimmable(text[begin]))
        ++begin;
    while (end > begin && trimmable(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}
// Upper-cases the ASCII letters a-z and leaves every other byte alone.
std::string UpperCaseAscii(std::string_view text);

// The value 0-15 of a hexadecimal digit in either case, or -1 for any other character.
int HexDigitValue(char c);

// Reads text as a 32-bit integer: blanks (byte 32) first, an optional sign, then decimal digits or,
// after "$", "x", "X", "0x" or "0X", at most eight hexadecimal digits (80000000-FFFFFFFF wrap to
// negative). Anything else, an empty text or a decimal overflow reads as 0.
std::int32_t ToInteger(std::string_view text);
// Reads text as hexadecimal: a "$" is put in front unless the text has one somewhere already.
std::int32_t HexValue(std::string_view text);

// Decimal text of value widened with zeros to width: (7,2) '07', (-5,3) '-05', (123,2) '123'.
std::string ZeroPadded(std::int32_t value, int width);
// text widened on the left with fill to at least width, then cut to its first width characters.
std::string LeftPadAndCut(std::string_view text, int width, char fill);
// The same written over the width bytes at out, which must have room for them; returns their end.
char* WriteLeftPadAndCut(char* out, std::string_view piece, int width, char fill);
// Upper-case hexadecimal of value with at least the given digits; negatives in 32-bit two's complement.
std::string HexText(std::int32_t value, int digits);

// '192.168.0.1' -> '192.168.000.001'.
std::string PaddedDottedQuad(std::string_view dottedQuad);
// 'C0.A8.00.FA' -> '192.168.0.250'.
std::string DottedQuadFromHexOctets(std::string_view hexOctets);
// '0:26:171:1:2:255' -> '00-1A-AB-01-02-FF'.
std::string MacFromDecimalOctets(std::string_view decimalOctets);
// '0:1a:AB:1:2:ff' -> '00-1a-AB-01-02-ff' (octets keep their letter case).
std::string MacFromHexOctets(std::string_view hexOctets);

}  // namespace korva
