#include "tools/korvactl/inputs/command_options.h"

#include "tools/korvactl/inputs/command_line.h"

#include <algorithm>
#include <charconv>
#include <vector>

namespace korva::ctl {

namespace {

std::optional<int> ParseCount(const std::string& text, int low, int high) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < low || value > high)
        return std::nullopt;
    return value;
}

template <auto field>
bool SetDuration(CommandLine& line, const std::string& text) {
    const auto duration = ParseDuration(text);
    if (duration)
        line.*field = *duration;
    return duration.has_value();
}

bool SetTimeout(CommandLine& line, const std::string& text) {
    const auto duration = ParseDuration(text);
    if (duration)
        line.retry.timeout = *duration;
    return duration.has_value();
}

template <auto field>
bool SetText(CommandLine& line, const std::string& text) {
    line.*field = text;
    return true;
}

bool AddFile(CommandLine& line, const std::string& file) {
    line.files.push_back(file);
    return true;
}

bool SetRetries(CommandLine& line, const std::string& text) {
    const auto retries = ParseCount(text, 0, 100);
    if (retries)
        line.retry.retries = *retries;
    return retries.has_value();
}

bool SetCount(CommandLine& line, const std::string& text) {
    line.count = ParseCount(text, 1, 100'000'000);
    return line.count.has_value();
}

// Below a tenth of a request a second, a search of a few hundred addresses would outlast the operator.
constexpr double kSlowestRate = 0.1;
constexpr double kFastestRate = 1'000'000;

bool SetRate(CommandLine& line, const std::string& text) {
    double rate = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), rate);
    const bool valid = !text.empty() && error == std::errc() && end == text.data() + text.size() &&
                       (rate == 0 || (rate >= kSlowestRate && rate <= kFastestRate));
    if (valid)
        line.rate = rate;
    return valid;
}

// Repeated, or several at once separated by commas.
bool AddAllowedTargets(CommandLine& line, const std::string& text) {
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const auto range = ParseIpv4Range(std::string_view(text).substr(start, comma - start));
        if (!range)
            return false;
        line.allowedTargets.push_back(*range);
        start = comma + 1;
    }
    return true;
}

bool SetOrder(CommandLine& line, const std::string& text) {
    if (text != "input" && text != "reply")
        return false;
    line.order = text == "input" ? OutputOrder::kInput : OutputOrder::kReply;
    return true;
}

template <auto field, auto value>
void Set(CommandLine& line) {
    line.*field = value;
}

constexpr language::Key kDuration = "ctl.expected.duration";

// What a command that asks every device named once takes, beside its own.
constexpr std::string_view kFormatted = "status params watch set reset scan apply";

}  // namespace

std::span<const CommandOption> CommandOptions() {
    static const std::vector<CommandOption> options = {
        {.name = "-f",
         .commands = "status params watch reset exporter",
         .value = "ctl.option.file.value",
         .help = "ctl.option.file",
         .usage = true,
         .setValue = AddFile,
         .repeated = true,
         .files = "@(txt|csv)",
         .manual = R"(Reads more device names from _FILE_, one a line; *#* starts a comment, blank lines are
skipped. May be given more than once. Not for *set*, *scan* or *apply*.)"},
        {.name = "--timeout",
         .commands = "status params set reset scan apply exporter",
         .value = "ctl.option.timeout.value",
         .help = "ctl.option.timeout",
         .usage = true,
         .setValue = SetTimeout,
         .expected = kDuration,
         .manual = R"(How long to wait for each reply (default 1s). _D_ is a number with the unit *ms* or *s*; a
bare number is seconds (*500ms*, *2s*, *0.5*). From 1 ms to one hour. Not for *watch*.)"},
        {.name = "--retries",
         .commands = "status params set reset apply",
         .value = "ctl.option.retries.value",
         .help = "ctl.option.retries",
         .usage = true,
         .setValue = SetRetries,
         .expected = "ctl.expected.retries",
         .manual = R"(How many times a request is sent again after a time-out, 0 to 100 (default 2). Not for
*watch*, *scan* or *exporter*.)"},
        {.name = "--interval",
         .commands = "watch",
         .value = "ctl.option.interval.value",
         .help = "ctl.option.interval",
         .setValue = SetDuration<&CommandLine::interval>,
         .expected = kDuration,
         .manual = R"(The time between two live-data rounds of *watch* (default 500ms), written as for *--timeout*.)"},
        {.name = "--count",
         .commands = "watch",
         .value = "ctl.option.count.value",
         .help = "ctl.option.count",
         .setValue = SetCount,
         .expected = "ctl.expected.count",
         .manual = R"(Stops *watch* after _N_ rounds.)"},
        {.name = "--raw",
         .commands = "watch",
         .help = "ctl.option.raw",
         .setFlag = Set<&CommandLine::raw, true>,
         .manual = R"(*watch* with *--csv*: each reply's own line too, in the column *plain*, which the sheet of
readings leaves out otherwise.)"},
        {.name = "--rate",
         .commands = "scan",
         .value = "ctl.option.rate.value",
         .help = "ctl.option.rate",
         .setValue = SetRate,
         .expected = "ctl.expected.rate",
         .manual = R"(Requests a second for *scan*, from 0.1 to 1,000,000 (default 200, gentle on a site network;
*0*: no limit). Without a
limit, replies that arrive while thousands of requests are still going out wait in the socket's
buffer, and a range with more answering devices than it holds loses some.)"},
        // One flag, a meaning for each command that takes it.
        {.name = "--force",
         .commands = "set",
         .help = "ctl.option.force.set",
         .setFlag = Set<&CommandLine::force, true>,
         .manual = R"(*set*: skips the checks of the new values. *scan*: allows more than 65,536 addresses, searched
65,536 at a time. *apply*: allows a plan of more than 65,536 devices, or a file larger than such a
plan takes (16 MiB), which is otherwise refused by its size before it is read.)"},
        {.name = "--force",
         .commands = "scan",
         .help = "ctl.option.force.scan",
         .setFlag = Set<&CommandLine::force, true>},
        {.name = "--force",
         .commands = "apply",
         .help = "ctl.option.force.apply",
         .setFlag = Set<&CommandLine::force, true>},
        {.name = "--reset-interval",
         .commands = "apply",
         .value = "ctl.option.reset_interval.value",
         .help = "ctl.option.reset_interval",
         .setValue = SetDuration<&CommandLine::resetInterval>,
         .expected = kDuration,
         .manual = R"(The time between two reset commands of *apply* (default 500ms), written as for *--timeout*.)"},
        {.name = "--listen",
         .commands = "exporter",
         .value = "ctl.option.listen.value",
         .help = "ctl.option.listen",
         .setValue = SetText<&CommandLine::listen>,
         .required = true,
         .manual = R"(Where *exporter* serves HTTP: an IPv4 address or host name and a port from 1 to 65535.)"},
        {.name = "--web-config",
         .commands = "exporter",
         .value = "ctl.option.web_config.value",
         .help = "ctl.option.web_config",
         .setValue = SetText<&CommandLine::webConfig>,
         .files = "@(yml|yaml)",
         .manual = R"(TLS and passwords for *exporter*, in the file format of Prometheus's exporter toolkit (the
*--web.config.file* of node_exporter and blackbox_exporter):

```
tls_server_config:
  cert_file: exporter.crt
  key_file: exporter.key
  client_auth_type: RequireAndVerifyClientCert
  client_ca_file: prometheus-ca.crt
basic_auth_users:
  prometheus: $2y$10$...
```

With *tls_server_config* the exporter serves HTTPS only; *client_auth_type* is
*NoClientCert* (the default), *VerifyClientCertIfGiven* or *RequireAndVerifyClientCert*, the
last two with *client_ca_file*. File names are relative to _FILE_'s folder. With
*basic_auth_users* every path asks for a user name and password, checked against the bcrypt
hash (*htpasswd -nBC 10 ""*); a credential once verified is remembered, so later scrapes
cost no bcrypt. The file is read at start: a fault stops the exporter with the line and the
reason, exit 2. Other keys of the toolkit (*http_server_config*, *min_version*, ...) are
refused as not supported.)"},
        {.name = "--allow-targets",
         .commands = "exporter",
         .value = "ctl.option.allow_targets.value",
         .help = "ctl.option.allow_targets",
         .setValue = AddAllowedTargets,
         .expected = "ctl.expected.allow_targets",
         .manual = R"(The only addresses *exporter*'s */probe* may ask: addresses, CIDR blocks or first-last ranges,
separated by commas or given in several options. A name is checked once resolved. Default: any.)"},
        {.name = "--no-names",
         .commands = "exporter",
         .help = "ctl.option.no_names",
         .setFlag = Set<&CommandLine::noNames, true>,
         .manual = R"(*exporter*'s */probe* takes addresses only; a host name is answered *400* without asking the
resolver. The installed service sets it.)"},
        {.name = "--json",
         .commands = kFormatted,
         .help = "ctl.option.format",
         .usage = true,
         .setFlag = Set<&CommandLine::format, OutputFormat::kJson>,
         .manual = R"(One JSON object a line (the default), a table for people, or comma-separated values: the keys
of the JSON object as the header line, nested keys joined with a dot (*parameters.mask*), a new
header line whenever the kind of reply changes. *apply* writes the same result words in all
three. The last of the three given counts.)"},
        {.name = "--table",
         .commands = kFormatted,
         .help = "ctl.option.format",
         .usage = true,
         .setFlag = Set<&CommandLine::format, OutputFormat::kTable>},
        {.name = "--csv",
         .commands = kFormatted,
         .help = "ctl.option.format",
         .usage = true,
         .setFlag = Set<&CommandLine::format, OutputFormat::kCsv>},
        {.name = "--order",
         .commands = "status params reset scan",
         .value = "ctl.option.order.value",
         .help = "ctl.option.order",
         .usage = true,
         .setValue = SetOrder,
         .expected = "ctl.expected.order",
         .manual = R"(*input* (the default): results in the order the devices were named, or the ranges of *scan*
give them, held back until the sweep (for *scan*, each 65,536 addresses) ends. *reply*: each
result as soon as it comes, for a consumer that reads while the sweep goes on.)"},
        {.name = "--progress",
         .commands = "status params reset scan apply",
         .help = "ctl.option.progress",
         .usage = true,
         .setFlag = Set<&CommandLine::progress, true>,
         .manual = R"(Shows the progress line on standard error whatever it is, or never. By default it is shown
when standard error is a terminal.)"},
        {.name = "--no-progress",
         .commands = "status params reset scan apply",
         .help = "ctl.option.progress",
         .usage = true,
         .setFlag = Set<&CommandLine::progress, false>},
        {.name = "--dry-run",
         .commands = "apply",
         .help = "ctl.option.dry_run",
         .setFlag = Set<&CommandLine::dryRun, true>,
         .manual = R"(*apply* checks the plan against the devices and writes nothing (see *apply*).)"},
        {.name = "--diff",
         .commands = "apply",
         .help = "ctl.option.dry_run",
         .setFlag = Set<&CommandLine::dryRun, true>},
        {.name = "--ip",
         .commands = "set",
         .value = "ctl.option.ip.value",
         .help = "ctl.option.ip",
         .setValue = SetText<&CommandLine::ip>,
         .required = true,
         .manual = R"(The new address, mask and gateway for *set*; all three are needed.)"},
        {.name = "--mask",
         .commands = "set",
         .value = "ctl.option.mask.value",
         .help = "ctl.option.mask",
         .setValue = SetText<&CommandLine::mask>,
         .required = true},
        {.name = "--gateway",
         .commands = "set",
         .value = "ctl.option.gateway.value",
         .help = "ctl.option.gateway",
         .setValue = SetText<&CommandLine::gateway>,
         .required = true},
        {.name = "--yes",
         .commands = "set apply",
         .help = "ctl.option.yes",
         .setFlag = Set<&CommandLine::yes, true>,
         .manual = R"(Writes without asking first (*set*, *apply*).)"},
        {.name = "--text",
         .commands = "decode",
         .help = "ctl.option.text",
         .setFlag = Set<&CommandLine::text, true>,
         .manual = R"(Takes each line given to *decode* as the reply's own text instead of hexadecimal digits.)"},
        {.name = "-h",
         .commands = "*",
         .help = "ctl.option.help",
         .usage = true,
         .action = ProgramAction::kHelp,
         .manual = R"(Prints a short usage and exits. After a command's name, anywhere among its arguments: prints
that command's usage and the options it takes, with what they mean for it, and exits without
sending anything. A command name that is none gets the command it most likely meant ("did you
mean status?") and exit status 2.)"},
        {.name = "--help", .commands = "*", .help = "ctl.option.help", .usage = true, .action = ProgramAction::kHelp},
        {.name = "--version",
         .commands = "",
         .action = ProgramAction::kVersion,
         .manual = R"(Prints the program's name and version and exits.)"},
    };
    return options;
}

bool Takes(std::string_view command, const CommandOption& row) {
    for (std::size_t start = 0; start < row.commands.size();) {
        const std::size_t end = std::min(row.commands.find(' ', start), row.commands.size());
        if (row.commands.substr(start, end - start) == command)
            return true;
        start = end + 1;
    }
    return false;
}

const CommandOption* OptionOf(std::string_view command, std::string_view name) {
    const auto options = CommandOptions();
    const auto found = std::find_if(options.begin(), options.end(), [command, name](const CommandOption& row) {
        return row.name == name && Takes(command, row);
    });
    return found == options.end() ? nullptr : &*found;
}

ProgramAction ProgramActionOf(const std::string& argument, bool afterCommand) {
    for (const CommandOption& row : CommandOptions()) {
        if (row.name == argument && row.action != ProgramAction::kNone && (!afterCommand || row.commands == "*"))
            return row.action;
    }
    return ProgramAction::kNone;
}

}  // namespace korva::ctl
