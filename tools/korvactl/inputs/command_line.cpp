#include "tools/korvactl/inputs/command_line.h"

#include "tools/common/option_table.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <functional>
#include <map>

namespace korva::ctl {

namespace {

using Setter = std::function<bool(CommandLine&, const std::string&)>;

std::optional<int> ParseCount(const std::string& text, int low, int high) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < low || value > high)
        return std::nullopt;
    return value;
}

Setter DurationSetter(std::chrono::milliseconds CommandLine::*field) {
    return [field](CommandLine& line, const std::string& text) {
        const auto duration = ParseDuration(text);
        if (duration)
            line.*field = *duration;
        return duration.has_value();
    };
}

Setter TextSetter(std::optional<std::string> CommandLine::*field) {
    return [field](CommandLine& line, const std::string& text) {
        line.*field = text;
        return true;
    };
}

struct ValueOption {
    Setter set;
    language::Key expected;  // for the message when a value is refused; none for any text
};

constexpr language::Key kDuration = "ctl.expected.duration";
// Below a tenth of a request a second, a search of a few hundred addresses would outlast the operator.
constexpr double kSlowestRate = 0.1;
constexpr double kFastestRate = 1'000'000;

const std::map<std::string, ValueOption>& ValueOptions() {
    static const std::map<std::string, ValueOption> options = {
        {"-f",
         {[](CommandLine& line, const std::string& file) {
              line.files.push_back(file);
              return true;
          },
          {}}},
        {"--timeout",
         {[](CommandLine& line, const std::string& text) {
              const auto duration = ParseDuration(text);
              if (duration)
                  line.retry.timeout = *duration;
              return duration.has_value();
          },
          kDuration}},
        {"--retries",
         {[](CommandLine& line, const std::string& text) {
              const auto retries = ParseCount(text, 0, 100);
              if (retries)
                  line.retry.retries = *retries;
              return retries.has_value();
          },
          "ctl.expected.retries"}},
        {"--interval", {DurationSetter(&CommandLine::interval), kDuration}},
        {"--count",
         {[](CommandLine& line, const std::string& text) {
              line.count = ParseCount(text, 1, 100'000'000);
              return line.count.has_value();
          },
          "ctl.expected.count"}},
        {"--rate",
         {[](CommandLine& line, const std::string& text) {
              double rate = -1;
              const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), rate);
              const bool valid = !text.empty() && error == std::errc() && end == text.data() + text.size() &&
                                 (rate == 0 || (rate >= kSlowestRate && rate <= kFastestRate));
              if (valid)
                  line.rate = rate;
              return valid;
          },
          "ctl.expected.rate"}},
        {"--reset-interval", {DurationSetter(&CommandLine::resetInterval), kDuration}},
        {"--ip", {TextSetter(&CommandLine::ip), {}}},
        {"--mask", {TextSetter(&CommandLine::mask), {}}},
        {"--gateway", {TextSetter(&CommandLine::gateway), {}}},
        {"--listen", {TextSetter(&CommandLine::listen), {}}},
        {"--web-config", {TextSetter(&CommandLine::webConfig), {}}},
        {"--allow-targets",
         {[](CommandLine& line, const std::string& text) {
              // Repeated, or several at once separated by commas.
              for (std::size_t start = 0; start <= text.size();) {
                  const std::size_t comma = std::min(text.find(',', start), text.size());
                  const auto range = ParseIpv4Range(std::string_view(text).substr(start, comma - start));
                  if (!range)
                      return false;
                  line.allowedTargets.push_back(*range);
                  start = comma + 1;
              }
              return true;
          },
          "ctl.expected.allow_targets"}},
        {"--order",
         {[](CommandLine& line, const std::string& text) {
              if (text != "input" && text != "reply")
                  return false;
              line.order = text == "input" ? OutputOrder::kInput : OutputOrder::kReply;
              return true;
          },
          "ctl.expected.order"}},
    };
    return options;
}

using Flag = std::function<void(CommandLine&)>;

const std::map<std::string, Flag>& FlagOptions() {
    static const std::map<std::string, Flag> flags = {
        {"--json", [](CommandLine& line) { line.format = OutputFormat::kJson; }},
        {"--table", [](CommandLine& line) { line.format = OutputFormat::kTable; }},
        {"--csv", [](CommandLine& line) { line.format = OutputFormat::kCsv; }},
        {"--yes", [](CommandLine& line) { line.yes = true; }},
        {"--force", [](CommandLine& line) { line.force = true; }},
        {"--progress", [](CommandLine& line) { line.progress = true; }},
        {"--no-progress", [](CommandLine& line) { line.progress = false; }},
        {"--dry-run", [](CommandLine& line) { line.dryRun = true; }},
        {"--diff", [](CommandLine& line) { line.dryRun = true; }},
        {"--raw", [](CommandLine& line) { line.raw = true; }},
        {"--no-names", [](CommandLine& line) { line.noNames = true; }},
    };
    return flags;
}

}  // namespace

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

ParsedCommandLine ParseCommandLine(std::string_view command, const std::vector<std::string_view>& options,
                                   const std::vector<std::string>& arguments, const language::Catalogue& texts) {
    CommandLine line;
    tools::OptionTable table(
        {.inlineValues = true, .operands = true}, texts, [command, &texts](const std::string& name) {
            return texts.Text({"ctl.option_not_taken", {{"command", std::string(command)}, {"option", name}}});
        });
    const auto takes = [&options](const std::string& name) {
        return std::find(options.begin(), options.end(), name) != options.end();
    };
    // Each entry is named, not taken apart: clang before 16 cannot capture a structured binding.
    for (const auto& flag : FlagOptions()) {
        if (takes(flag.first))
            table.AddFlag(flag.first, [&line, &set = flag.second] { set(line); });
    }
    for (const auto& option : ValueOptions()) {
        if (takes(option.first))
            table.AddValue(
                option.first,
                [&line, &setter = option.second.set](const std::string& value) { return setter(line, value); },
                option.second.expected.Name().empty() ? std::string() : texts.Text(option.second.expected));
    }
    tools::OptionTable::Parsed parsed = table.Parse(arguments);
    if (!parsed.error.empty())
        return {std::nullopt, parsed.error};
    line.names = std::move(parsed.operands);
    return {line, {}};
}

}  // namespace korva::ctl
