#include "tools/sim/sim_options.h"

#include "protocol/reply_writer.h"
#include "tools/common/option_table.h"
#include "tools/sim/delayed_replies.h"

#include <charconv>
#include <functional>
#include <map>

namespace korva::sim {
namespace {

template <typename Number>
std::optional<Number> ParseNumber(const std::string& text, Number low, Number high, int base = 10) {
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < low || value > high) {
        return std::nullopt;
    }
    return static_cast<Number>(value);
}

// Up to eight hexadecimal digits, an optional 0x in front; FFFFFFxx are negative like the device's.
std::optional<int> ParseHex(std::string text) {
    if (text.size() > 2 && (text.starts_with("0x") || text.starts_with("0X")))
        text.erase(0, 2);
    if (text.size() > 8)
        return std::nullopt;
    const auto value = ParseNumber<long long>(text, 0, 0xFFFFFFFFLL, 16);
    if (!value)
        return std::nullopt;
    return static_cast<int>(static_cast<std::uint32_t>(*value));
}

std::optional<int> ParseFormVersion(const std::string& text) {
    if (text == "plain")
        return 0;
    return ParseNumber<int>(text, 101, 999);
}

using Setter = std::function<bool(SimOptions&, const std::string&)>;

template <typename Number>
Setter NumberSetter(Number SimOptions::*field, Number low, Number high) {
    return [=](SimOptions& options, const std::string& text) {
        const auto value = ParseNumber<Number>(text, low, high);
        if (value)
            options.*field = *value;
        return value.has_value();
    };
}

Setter FaultSetter(int FaultSettings::*field, int high) {
    return [=](SimOptions& options, const std::string& text) {
        const auto value = ParseNumber<int>(text, 0, high);
        if (value)
            options.faults.*field = *value;
        return value.has_value();
    };
}

const std::map<std::string, Setter>& ValueOptions() {
    static const std::map<std::string, Setter> options = {
        {"--address",
         [](SimOptions& o, const std::string& text) {
             const auto addresses = ParseIpv4Range(text);
             if (addresses)
                 o.addresses = *addresses;
             return addresses.has_value();
         }},
        {"--devices",
         [](SimOptions& o, const std::string& text) {
             const auto devices = ParseNumber<long long>(text, 0, 1LL << 32);
             if (devices)
                 o.devices = static_cast<std::uint64_t>(*devices);
             return devices.has_value();
         }},
        {"--reset-ack-on",
         [](SimOptions& o, const std::string& text) {
             const auto k = ParseNumber<int>(text, 1, 1000);
             if (k)
                 o.faults.resetAcknowledgedOn = *k;
             return k.has_value();
         }},
        {"--port", NumberSetter<std::uint16_t>(&SimOptions::port, 1, 65535)},
        {"--form",
         [](SimOptions& o, const std::string& text) {
             const auto version = ParseFormVersion(text);
             if (version)
                 o.form.version = *version;
             return version.has_value();
         }},
        {"--key",
         [](SimOptions& o, const std::string& text) {
             const auto key = ParseHex(text);
             if (key)
                 o.form.key = *key;
             return key.has_value();
         }},
        {"--n",
         [](SimOptions& o, const std::string& text) {
             const auto n = ParseHex(text);
             if (n)
                 o.form.n = *n;
             return n.has_value();
         }},
        {"--seed", NumberSetter<std::uint32_t>(&SimOptions::seed, 0, 0xFFFFFFFFu)},
        {"--drop-percent", FaultSetter(&FaultSettings::dropPercent, 100)},
        {"--delay-ms", FaultSetter(&FaultSettings::delayMs, 60'000)},
        {"--wrong-keyword-percent", FaultSetter(&FaultSettings::wrongKeywordPercent, 100)},
        {"--truncate-percent", FaultSetter(&FaultSettings::truncatePercent, 100)},
        {"--extra-empty-fields-percent", FaultSetter(&FaultSettings::extraEmptyFieldsPercent, 100)},
    };
    return options;
}

}  // namespace

ParsedOptions ParseSimOptions(const std::vector<std::string>& arguments) {
    SimOptions options;
    bool allowAnyAddress = false;
    // A tool for tests and training, korva-sim speaks English only.
    tools::OptionTable table({.inlineValues = false, .operands = false}, language::English(),
                             [](const std::string& name) { return "unknown option '" + name + "'"; });
    for (const char* help : {"--help", "-h"})
        table.AddFlag(help, [&] { options.help = true; });
    table.AddFlag("--version", [&] { options.version = true; });
    for (const char* verbose : {"--verbose", "-v"})
        table.AddFlag(verbose, [&] { options.verbose = true; });
    table.AddFlag("--allow-any-address", [&] { allowAnyAddress = true; });
    // Each entry is named, not taken apart: clang before 16 cannot capture a structured binding.
    for (const auto& option : ValueOptions()) {
        table.AddValue(option.first, [&options, &setter = option.second](const std::string& value) {
            return setter(options, value);
        });
    }
    if (const tools::OptionTable::Parsed parsed = table.Parse(arguments); !parsed.error.empty())
        return {std::nullopt, parsed.error};

    // A simulator answering on a real network could be mistaken for a device: loopback unless asked.
    const bool loopback = options.addresses.first >> 24 == 127 && options.addresses.Last() >> 24 == 127;
    if (!loopback && !allowAnyAddress) {
        const char* what =
            options.addresses.count == 1 ? " is not a loopback address" : " is not all loopback addresses";
        return {std::nullopt, "--address " + Ipv4RangeText(options.addresses) + what +
                                  " (127.x.x.x); add --allow-any-address to use it"};
    }
    if (options.devices && *options.devices > options.addresses.count) {
        return {std::nullopt, "--devices " + std::to_string(*options.devices) + " is more than the " +
                                  std::to_string(options.addresses.count) + " addresses of --address"};
    }
    if (const std::string problem = ScrambleFormProblem(options.form); !problem.empty()) {
        return {std::nullopt, "form " + std::to_string(options.form.version) + ": " + problem};
    }
    return {options, {}};
}

std::string SimUsage() {
    return "korva-sim: a simulated Korva device answering on UDP\n"
           "\n"
           "  --address A       where devices answer: one address, a CIDR block (127.0.10.0/24) or a\n"
           "                    first-last range (default 127.0.0.1; loopback only); one socket each\n"
           "  --devices N       devices on the first N addresses only; the others are free for devices\n"
           "                    given a new address (default: a device on every address)\n"
           "  --allow-any-address  also accept a non-loopback --address\n"
           "  --port P          UDP port (default 5010)\n"
           "  --form F          reply form: plain, or a version: 101-129 old form, 130 and above new form\n"
           "                    (default 150; 130 sends addresses as hexadecimal octets)\n"
           "  --key K, --n N    key and n of the new form, hexadecimal (default 3F and 14)\n"
           "  --seed S          seed of the measurements' drift and of the faults (default 1)\n"
           "  --drop-percent P  drop P% of the replies\n"
           "  --delay-ms D      send every reply D ms late (at most " +
           std::to_string(DelayedReplies::kDefaultCapacity) +
           " wait; more are dropped and counted)\n"
           "  --wrong-keyword-percent P      answer P% with the keyword ERR\n"
           "  --truncate-percent P           send only the first half of P% of the replies\n"
           "  --extra-empty-fields-percent P double the commas of P% of the replies\n"
           "  --reset-ack-on K  answer NAK to the first K-1 reset commands of each device (default 1)\n"
           "  --verbose         print one line per request and reply (with several addresses, the\n"
           "                    device's address first)\n"
           "  -h, --help        print this text; --version: print the program's version\n"
           "\n"
           "A device with new parameters takes its new address on an acknowledged reset when that\n"
           "address is one of --address and free; otherwise it falls silent, as if it had left the network.\n"
           "Stops on SIGINT or SIGTERM.\n";
}

}  // namespace korva::sim
