#include "tests/fuzz/fuzz_targets.h"
#include "tests/fuzz/require.h"

#include "protocol/messages.h"
#include "tools/korvactl/inputs/command_line.h"
#include "tools/korvactl/inputs/input_file.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

namespace korva::fuzz {
namespace {

using std::chrono::milliseconds;

constexpr std::array<std::string_view, 5> kCommands = {"status", "params", "reset", "watch", "set"};
constexpr milliseconds kLongestDuration{3'600'000};

std::vector<std::string> Lines(std::string_view text) {
    std::vector<std::string> lines;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find('\n', start);
        lines.emplace_back(text.substr(start, end - start));
        if (end == std::string_view::npos)
            return lines;
        start = end + 1;
    }
}

// The input's first bytes four at a time as little-endian numbers, for values the target builds itself.
std::vector<std::uint32_t> Numbers(std::string_view text) {
    std::vector<std::uint32_t> numbers;
    for (std::size_t at = 0; at + 4 <= text.size() && numbers.size() < 24; at += 4) {
        std::uint32_t number = 0;
        for (int byte = 3; byte >= 0; --byte)
            number = number << 8 | static_cast<unsigned char>(text[at + static_cast<std::size_t>(byte)]);
        numbers.push_back(number);
    }
    return numbers;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

std::vector<std::string> ReadAddresses(const std::string& text) {
    std::istringstream in(text);
    return ctl::ReadAddressLines(in);
}

// Every name is text of its own line, in the file's order, without the comment or blanks at its ends;
// and the names, written back one a line among comments, blank lines and line ends of either system,
// read back the same.
void CheckAddressFile(const std::string& text) {
    const std::vector<std::string> names = ReadAddresses(text);
    std::size_t lineStart = 0;
    std::string rewritten = "# written back\n\n";
    for (const std::string& name : names) {
        Require(!name.empty() && !IsBlank(name.front()) && !IsBlank(name.back()));
        Require(name.find_first_of("#\n") == std::string::npos);
        const std::size_t at = text.find(name, lineStart);
        Require(at != std::string::npos);
        const std::size_t lineEnd = text.find('\n', at);
        lineStart = lineEnd == std::string::npos ? text.size() : lineEnd + 1;
        rewritten += " \t" + name + "\t\r\n  # note\n\n";
    }
    Require(ReadAddresses(rewritten) == names);
}

auto Fields(const ctl::CommandLine& line) {
    return std::tie(line.names, line.files, line.retry.timeout, line.retry.retries, line.format, line.interval,
                    line.count, line.yes, line.force, line.ip, line.mask, line.gateway);
}

// The arguments that say what line holds: each value that differs from the default, in "--name=value" form.
std::vector<std::string> ArgumentsFor(const ctl::CommandLine& line) {
    const ctl::CommandLine defaults;
    std::vector<std::string> arguments = line.names;
    for (const std::string& file : line.files) {
        arguments.push_back("-f");
        arguments.push_back(file);
    }
    if (line.retry.timeout != defaults.retry.timeout)
        arguments.push_back("--timeout=" + std::to_string(line.retry.timeout.count()) + "ms");
    if (line.retry.retries != defaults.retry.retries)
        arguments.push_back("--retries=" + std::to_string(line.retry.retries));
    if (line.interval != defaults.interval)
        arguments.push_back("--interval=" + std::to_string(line.interval.count()) + "ms");
    if (line.count)
        arguments.push_back("--count=" + std::to_string(*line.count));
    const std::pair<const char*, const std::optional<std::string>*> texts[] = {
        {"--ip=", &line.ip}, {"--mask=", &line.mask}, {"--gateway=", &line.gateway}};
    for (const auto& [name, value] : texts)
        if (*value)
            arguments.push_back(name + **value);
    const std::pair<const char*, bool> flags[] = {{"--table", line.format == ctl::OutputFormat::kTable},
                                                  {"--csv", line.format == ctl::OutputFormat::kCsv},
                                                  {"--yes", line.yes},
                                                  {"--force", line.force}};
    for (const auto& [name, set] : flags)
        if (set)
            arguments.emplace_back(name);
    return arguments;
}

bool InOrderWithin(const std::vector<std::string>& part, const std::vector<std::string>& whole) {
    auto next = whole.begin();
    for (const std::string& item : part) {
        next = std::find(next, whole.end(), item);
        if (next == whole.end())
            return false;
        ++next;
    }
    return true;
}

// Options only some commands take: -f for those that ask devices named in files, --timeout and --retries
// for those that ask once, --interval and --count for watch, the new values and their guards for set.
bool KeepsToItsOwnOptions(std::string_view command, const ctl::CommandLine& line) {
    const ctl::CommandLine defaults;
    const bool asks = command != "watch";
    const bool watches = command == "watch";
    const bool sets = command == "set";
    return (!sets || line.files.empty()) &&
           (asks || (line.retry.timeout == defaults.retry.timeout && line.retry.retries == defaults.retry.retries)) &&
           (watches || (line.interval == defaults.interval && !line.count)) &&
           (sets || (!line.ip && !line.mask && !line.gateway && !line.yes && !line.force));
}

bool IsDuration(milliseconds duration) {
    return duration >= milliseconds(1) && duration <= kLongestDuration;
}

// A write command is the three values padded to fifteen characters each, whatever the user typed: --force
// sends values the checks refused.
void CheckWriteCommand(const ctl::NewParameters& parameters) {
    const std::string command = BuildWriteCommand(parameters.address, parameters.mask, parameters.gateway);
    Require(command.size() == 56 && command.starts_with("wPr000 ") && command.ends_with("\r\n"));
    Require(command[22] == ' ' && command[38] == ' ');
}

// Each problem names the value it is about, wherever the device is now.
void CheckProblems(const ctl::NewParameters& parameters) {
    for (const CurrentPlace current : {CurrentPlace::kNetwork, CurrentPlace::kLoopback}) {
        for (const std::string& problem : ctl::ParameterProblemTexts(parameters, current, language::English()))
            Require(problem.find(parameters.address) != std::string::npos ||
                    problem.find(parameters.mask) != std::string::npos ||
                    problem.find(parameters.gateway) != std::string::npos);
    }
    CheckWriteCommand(parameters);
}

// Options a command refuses leave its line alone, a parsed line stays within the limits of each value,
// and written back as arguments it parses to the same line.
void CheckCommandLine(const std::vector<std::string>& arguments) {
    for (std::string_view command : kCommands) {
        const ctl::ParsedCommandLine parsed =
            ctl::ParseCommandLine(command, arguments, language::English());
        Require(parsed.line.has_value() == parsed.error.empty());
        if (!parsed.line)
            continue;
        const ctl::CommandLine& line = *parsed.line;
        Require(KeepsToItsOwnOptions(command, line));
        Require(InOrderWithin(line.names, arguments) && InOrderWithin(line.files, arguments));
        Require(line.names.size() + 2 * line.files.size() <= arguments.size());
        Require(IsDuration(line.retry.timeout) && IsDuration(line.interval));
        Require(line.retry.retries >= 0 && line.retry.retries <= 100);
        Require(!line.count || (*line.count >= 1 && *line.count <= 100'000'000));

        const ctl::ParsedCommandLine again =
            ctl::ParseCommandLine(command, ArgumentsFor(line), language::English());
        Require(again.line.has_value() && Fields(*again.line) == Fields(line));
        if (line.ip && line.mask && line.gateway)
            CheckProblems({*line.ip, *line.mask, *line.gateway});
    }
}

std::string ThreeDecimals(std::uint32_t millis) {
    std::string fraction = std::to_string(millis % 1000);
    fraction.insert(0, 3 - fraction.size(), '0');
    return std::to_string(millis / 1000) + "." + fraction;
}

// Durations and counts written the ways a user writes them parse back to what was written, and values out
// of range are refused.
void CheckBuiltValues(std::uint32_t number) {
    const bool inRange = number >= 1 && number <= kLongestDuration.count();
    const auto asMillis = ctl::ParseDuration(std::to_string(number) + "ms");
    Require(inRange ? asMillis == milliseconds(number) : !asMillis);

    const std::uint32_t millis = number % kLongestDuration.count() + 1;
    for (const std::string& text : {ThreeDecimals(millis) + "s", ThreeDecimals(millis)})
        Require(ctl::ParseDuration(text) == milliseconds(millis));
    if (millis % 1000 == 0)
        Require(ctl::ParseDuration(std::to_string(millis / 1000) + "s") == milliseconds(millis));

    const auto watch = ctl::ParseCommandLine(
        "watch",
        {"--interval=" + ThreeDecimals(millis) + "s", "--count", std::to_string(number), "name"}, language::English());
    const bool countInRange = number >= 1 && number <= 100'000'000;
    Require(watch.line.has_value() == countInRange);
    Require(!watch.line ||
            (watch.line->interval == milliseconds(millis) && watch.line->count == static_cast<int>(number)));

    const auto retries = static_cast<int>(number % 200);
    const auto status = ctl::ParseCommandLine("status", {"--retries=" + std::to_string(retries)},
                                              language::English());
    Require(status.line.has_value() == (retries <= 100));
    Require(!status.line || status.line->retry.retries == retries);
}

std::string DottedQuad(std::uint32_t address, bool zeroPadded) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        std::string octet = std::to_string(address >> shift & 0xFF);
        if (zeroPadded)
            octet.insert(0, 3 - octet.size(), '0');
        text += (shift == 24 ? "" : ".") + octet;
    }
    return text;
}

// A device and a gateway on distinct host addresses of a subnet with room for both, outside the blocks no
// device is reached at, pass the checks in either form of the dotted quad; putting the gateway on the
// device's own address is one problem.
void CheckBuiltSubnet(std::uint32_t network, std::uint32_t device, std::uint32_t gateway) {
    const int prefix = 1 + static_cast<int>(network % 30);
    const std::uint32_t mask = ~std::uint32_t{0} << (32 - prefix);
    const std::uint32_t usableHosts = ~mask - 1;
    const std::uint32_t deviceHost = 1 + device % usableHosts;
    std::uint32_t gatewayHost = 1 + gateway % usableHosts;
    if (gatewayHost == deviceHost)
        gatewayHost = deviceHost == 1 ? 2 : 1;
    const std::uint32_t subnet = network & mask;
    const CurrentPlace current = CurrentPlace::kNetwork;
    if (UnreachableBlock(subnet | deviceHost, current) || UnreachableBlock(subnet | gatewayHost, current))
        return;
    for (bool zeroPadded : {false, true}) {
        const auto quad = [zeroPadded](std::uint32_t address) { return DottedQuad(address, zeroPadded); };
        const ctl::NewParameters usable{quad(subnet | deviceHost), quad(mask), quad(subnet | gatewayHost)};
        Require(ctl::ParameterProblemTexts(usable, current, language::English()).empty());
        const ctl::NewParameters onItself{usable.address, usable.mask, usable.address};
        Require(ctl::ParameterProblemTexts(onItself, current, language::English()).size() == 1);
    }
}

std::string HexText(std::string_view bytes, std::string_view separator, bool upperCase) {
    const char* digits = upperCase ? "0123456789ABCDEF" : "0123456789abcdef";
    std::string text;
    for (unsigned char byte : bytes) {
        if (!text.empty())
            text += separator;
        text += {digits[byte >> 4], digits[byte & 0xF]};
    }
    return text;
}

// A line `decode` accepts holds two hex digits a byte and nothing else but separators; the bytes printed
// the ways captures print them, with a Windows line end, read back as those bytes.
void CheckHexLines(std::string_view text, const std::vector<std::string>& lines) {
    constexpr std::string_view kHexDigits = "0123456789abcdefABCDEF";
    for (const std::string& line : lines)
        if (const auto bytes = ctl::ParseHexLine(line))
            Require(2 * bytes->size() == static_cast<std::size_t>(std::count_if(line.begin(), line.end(), [&](char c) {
                        return kHexDigits.find(c) != std::string_view::npos;
                    })));
    const std::string_view bytes = text.substr(0, 64);
    const std::pair<std::string_view, bool> forms[] = {{" ", true}, {":", false}, {"", true}, {"\t", false}};
    for (const auto& [separator, upperCase] : forms)
        Require(ctl::ParseHexLine(HexText(bytes, separator, upperCase) + "\r") == std::string(bytes));
}

}  // namespace

void ReadKorvactlInputs(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    CheckAddressFile(text);

    const std::vector<std::string> lines = Lines(text);
    CheckCommandLine(lines);
    for (const std::string& line : lines)
        if (const auto duration = ctl::ParseDuration(line))
            Require(IsDuration(*duration));
    if (lines.size() >= 3)
        CheckProblems({lines[0], lines[1], lines[2]});
    CheckHexLines(text, lines);

    const std::vector<std::uint32_t> numbers = Numbers(text);
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        CheckBuiltValues(numbers[i]);
        if (i + 3 <= numbers.size() && i % 3 == 0)
            CheckBuiltSubnet(numbers[i], numbers[i + 1], numbers[i + 2]);
    }
}

}  // namespace korva::fuzz
