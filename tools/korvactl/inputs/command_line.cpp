#include "tools/korvactl/inputs/command_line.h"

#include "tools/common/option_table.h"
#include "tools/korvactl/inputs/command_options.h"

#include <charconv>
#include <cmath>

namespace korva::ctl {

std::optional<std::chrono::milliseconds> ParseDuration(std::string_view text) {
    double scale = 1000;  // a bare number is seconds
    if (text.ends_with("ms")) {
        scale = 1;
        text.remove_suffix(2);
    } else if (text.ends_with("s")) {
        text.remove_suffix(1);
    }
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    const double millis = std::round(value * scale);
    if (millis < 1 || millis > 3'600'000)
        return std::nullopt;
    return std::chrono::milliseconds(static_cast<long long>(millis));
}

ParsedCommandLine ParseCommandLine(std::string_view command, const std::vector<std::string>& arguments,
                                   const language::Catalogue& texts) {
    CommandLine line;
    tools::OptionTable table(
        {.inlineValues = true, .operands = true}, texts, [command, &texts](const std::string& name) {
            return texts.Text({"ctl.option_not_taken", {{"command", std::string(command)}, {"option", name}}});
        });
    for (const CommandOption& option : CommandOptions()) {
        if (!Takes(command, option))
            continue;
        const std::string name(option.name);
        if (option.setFlag)
            table.AddFlag(name, [&line, set = option.setFlag] { set(line); });
        else if (option.setValue)
            table.AddValue(
                name, [&line, set = option.setValue](const std::string& value) { return set(line, value); },
                option.expected.Name().empty() ? std::string() : texts.Text(option.expected));
    }
    tools::OptionTable::Parsed parsed = table.Parse(arguments);
    if (!parsed.error.empty())
        return {std::nullopt, parsed.error};
    line.names = std::move(parsed.operands);
    return {line, {}};
}

}  // namespace korva::ctl
