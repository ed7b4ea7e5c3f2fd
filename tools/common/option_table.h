#pragma once
// Command lines read against a table of options: flags, which take no value, and options that take one.
// korvactl and korva-sim read theirs this way, so both answer a mistake in the same words.
#include "language/catalogue.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace korva::tools {

struct OptionGrammar {
    bool inlineValues;  // "--name=value" as well as "--name value"
    bool operands;      // arguments not starting with '-' are collected; otherwise each is an unknown option
};

class OptionTable {
public:
    // texts: the language of the messages. unknownOption: the message for a name the table does not
    // hold, as it was given.
    OptionTable(OptionGrammar grammar, const language::Catalogue& texts,
                std::function<std::string(const std::string&)> unknownOption)
        : grammar_(grammar), texts_(texts), unknownOption_(std::move(unknownOption)) {}

    void AddFlag(const std::string& name, std::function<void()> set);
    // set returns false for a value the option does not take; expected, when given, says what it takes
    // in the message ("bad value for --rate: '1e-9' (requests a second: ...)").
    void AddValue(const std::string& name, std::function<bool(const std::string&)> set, std::string expected = {});

    struct Parsed {
        std::vector<std::string> operands;
        std::string error;  // the first mistake; empty when every argument was read
    };
    // Reads the arguments in order and stops at the first mistake.
    Parsed Parse(const std::vector<std::string>& arguments) const;

private:
    OptionGrammar grammar_;
    const language::Catalogue& texts_;
    std::function<std::string(const std::string&)> unknownOption_;
    std::map<std::string, std::function<void()>> flags_;
    struct Value {
        std::function<bool(const std::string&)> set;
        std::string expected;
    };
    std::map<std::string, Value> values_;
};

}  // namespace korva::tools
