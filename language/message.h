#pragma once
// What a program says, before it is worded in a language: a key of the catalogues and the values of its
// placeholders. One message is worded in the user's language for a person to read and, where another
// program reads it (korvactl's JSON), in English, the same in every language.
#include "language/english_keys.h"

#include <algorithm>
#include <concepts>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace korva::language {

namespace detail {
// Called only for a key the English catalogue lacks, where the call, which is no constant expression,
// fails the build with this name in the error. clang 14 leaves some of these checks to run time (in
// code its fuzzing builds inline), so it is defined too: it ends the program there.
[[noreturn]] void KeyMissingFromTheEnglishCatalogue();
}  // namespace detail

// A key the code names: a literal among the English catalogue's keys, checked as the program compiles.
class Key {
public:
    constexpr Key() = default;
    consteval Key(const char* key) : name_(key) {
        if (!std::binary_search(std::begin(kEnglishKeys), std::end(kEnglishKeys), name_))
            detail::KeyMissingFromTheEnglishCatalogue();
    }
    constexpr std::string_view Name() const { return name_; }
    constexpr bool operator==(const Key&) const = default;

private:
    std::string_view name_;
};

class Message;

// What fills one placeholder: a text as it stands, a count (written in digits in every language, and
// choosing a plural form), or a key or message worded in the language of the one it is part of.
struct Argument {
    Argument(std::string_view name, std::string text) : name(name), value(std::move(text)) {}
    Argument(std::string_view name, std::string_view text) : name(name), value(std::string(text)) {}
    Argument(std::string_view name, const char* text) : name(name), value(std::string(text)) {}
    template <std::integral Count>
    Argument(std::string_view name, Count count) : name(name), value(static_cast<long long>(count)) {}
    // A text of the catalogue without placeholders, held without a message of its own: failures of
    // thousands of devices name their request so.
    Argument(std::string_view name, Key key) : name(name), value(key) {}
    Argument(std::string_view name, Message message);

    bool operator==(const Argument& other) const;

    std::string_view name;  // a literal: "address" fills {address}
    std::variant<std::string, long long, Key, std::shared_ptr<const Message>> value;
};

class Message {
public:
    // No message: nothing to say.
    Message() = default;
    Message(Key key, std::vector<Argument> arguments = {}) : key_(key), arguments_(std::move(arguments)) {}
    // Words from outside the catalogues, the same in every language: the system's reason for a failure.
    static Message Verbatim(std::string text);

    bool Empty() const { return key_.Name().empty() && verbatim_.empty(); }
    Key GetKey() const { return key_; }
    const std::vector<Argument>& Arguments() const { return arguments_; }
    const std::string& VerbatimText() const { return verbatim_; }

    bool operator==(const Message&) const = default;

private:
    Key key_;
    std::vector<Argument> arguments_;
    std::string verbatim_;  // for a message without a key
};

inline Argument::Argument(std::string_view name, Message message)
    : name(name), value(std::make_shared<const Message>(std::move(message))) {}

}  // namespace korva::language
