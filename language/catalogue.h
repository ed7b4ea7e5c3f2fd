#pragma once
// One language's texts, read from its file in catalogues/, and the catalogues compiled into the programs.
//
// A catalogue file is UTF-8 text, one entry a line, "key = text"; a line that starts with a blank goes on
// with the entry above on a line of its own; "#" starts a comment line. A text's placeholders are
// "{name}", filled with an argument of the message, and "{name|form|form}", which writes the first form
// when the count name is one the catalogue's plural.singular lists, and the second otherwise. Counts are
// written in digits, and nothing else is made local: numbers and dates keep one form in every language.
#include "language/message.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace korva::language {

class Catalogue {
public:
    // code: the language's ("pt"); text: the file's bytes.
    Catalogue(std::string code, std::string_view text);

    const std::string& Code() const { return code_; }

    // The message in this language. A key the catalogue lacks is worded as English has it, and a
    // placeholder without its argument is left as written.
    std::string Text(const Message& message) const;
    std::string Text(Key key) const { return Text(Message(key)); }

    // The text of a key as written, placeholders and all; nullptr when the catalogue has no such key.
    const std::string* Find(std::string_view key) const;
    // Every key, sorted.
    std::vector<std::string_view> Keys() const;
    // What is wrong with the file: lines that are no entry, keys given twice. Empty for a good file.
    const std::vector<std::string>& Problems() const { return problems_; }

private:
    std::string_view Written(Key key) const;
    std::size_t FormOf(const Argument& argument) const;

    std::string code_;
    std::map<std::string, std::string, std::less<>> texts_;
    std::vector<long long> singular_;  // the counts that take a plural placeholder's first form
    std::vector<std::string> problems_;
};

// Every catalogue compiled in, in the order of their codes.
const std::vector<Catalogue>& Catalogues();
// The catalogue of a language code ("en"), or nullptr.
const Catalogue* FindCatalogue(std::string_view code);
// The language every key is written in first, which the other catalogues translate.
const Catalogue& English();

// One placeholder of a text: {name}, or {name|form|form} with its forms.
struct Placeholder {
    std::string_view name;
    std::vector<std::string_view> forms;
};
// The text's placeholders in order. Braces around anything but a name, or a name and its forms, are text.
std::vector<Placeholder> Placeholders(std::string_view text);

}  // namespace korva::language
