#include "tools/common/option_table.h"

#include <optional>

namespace korva::tools {

void OptionTable::AddFlag(const std::string& name, std::function<void()> set) {
    flags_[name] = std::move(set);
}

void OptionTable::AddValue(const std::string& name, std::function<bool(const std::string&)> set, std::string expected) {
    values_[name] = {std::move(set), std::move(expected)};
}

OptionTable::Parsed OptionTable::Parse(const std::vector<std::string>& arguments) const {
    Parsed parsed;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string name = arguments[i];
        // A lone "-" is no option: programs take it as an operand, like other tools do.
        if (grammar_.operands && (name.size() < 2 || name[0] != '-')) {
            parsed.operands.push_back(name);
            continue;
        }
        std::optional<std::string> value;
        if (const std::size_t equals = name.find('=');
            grammar_.inlineValues && equals != std::string::npos && name.starts_with("--")) {
            value = name.substr(equals + 1);
            name.resize(equals);
        }
        if (const auto flag = flags_.find(name); flag != flags_.end()) {
            if (value)
                return {{}, texts_.Text({"options.takes_no_value", {{"option", name}}})};
            flag->second();
            continue;
        }
        const auto setter = values_.find(name);
        if (setter == values_.end())
            return {{}, unknownOption_(name)};
        if (!value) {
            if (i + 1 == arguments.size())
                return {{}, texts_.Text({"options.needs_value", {{"option", name}}})};
            value = arguments[++i];
        }
        if (!setter->second.set(*value)) {
            const std::string& expected = setter->second.expected;
            const language::Key key =
                expected.empty() ? language::Key("options.bad_value") : language::Key("options.bad_value_expected");
            return {{}, texts_.Text({key, {{"option", name}, {"value", *value}, {"expected", expected}}})};
        }
    }
    return parsed;
}

}  // namespace korva::tools
