#pragma once
// The fields of device text: a reply's comma-separated fields, a request's blank-separated words, the
// octets between the dots or colons of an address. Text is a Windows-1252 byte string; fields are
// counted from 1 like the device documentation counts them, and a missing field reads as empty.
#include <cstddef>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace korva {

// Text split once at a delimiter: fields are the maximal runs of other bytes, so runs of delimiters
// never make empty fields ('A,,B' has field 2 'B'). The views point into the text, which must outlive
// this object.
class Fields {
public:
    // Splitting stops after field lastField: a reader that needs only the first fields of a line does
    // not pay for the rest, which then read as empty.
    explicit Fields(std::string_view text, char delimiter = ',', int lastField = std::numeric_limits<int>::max());
    // Empty when there is no such field. Inline: a reading asks for a dozen fields of every reply.
    std::string_view operator[](int fieldNumber) const {
        if (fieldNumber < 1 || static_cast<std::size_t>(fieldNumber) > count_)
            return {};
        const auto index = static_cast<std::size_t>(fieldNumber) - 1;
        const Field& field = index < kInlineFields ? inline_[index] : overflow_[index - kInlineFields];
        return {field.data, field.size};
    }
    int Count() const { return static_cast<int>(count_); }

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

}  // namespace korva
