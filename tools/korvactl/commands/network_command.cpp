// RunNetworkCommand and what the network commands share: the devices named, the link, the user's consent.
#include "tools/korvactl/commands/command_context.h"
#include "tools/korvactl/inputs/input_file.h"
#include "tools/korvactl/output/record_writers.h"
#include "transport/udp_endpoint.h"

#include <algorithm>
#include <cctype>
#include <istream>
#include <map>
#include <optional>
#include <ostream>

namespace korva::ctl {

namespace {

struct CommandEntry {
    int (*run)(CommandContext&);
    // The arguments name devices, resolved before the command runs; scan takes ranges, apply a plan.
    bool namesDevices;
    // One result a device, held back for the order named unless --order reply. watch streams, set names
    // one device, and scan and apply keep their own order.
    bool sweeps;
};

const std::map<std::string_view, CommandEntry>& Commands() {
    static const std::map<std::string_view, CommandEntry> commands = {
        {"status", {RunStatusCommand, true, true}}, {"params", {RunStatusCommand, true, true}},
        {"watch", {RunWatchCommand, true, false}},  {"reset", {RunResetCommand, true, true}},
        {"set", {RunSetCommand, true, false}},      {"scan", {RunScanCommand, false, false}},
        {"apply", {RunApplyCommand, false, false}},
    };
    return commands;
}

// The devices the arguments and -f files name, resolved; nullopt after the reason was printed.
std::optional<std::vector<DeviceTarget>> NamedTargets(std::string_view command, const CommandLine& line,
                                                      std::ostream& err) {
    const std::string prefix = "korvactl " + std::string(command) + ": ";
    std::string error;
    const auto names = CollectDeviceNames(line.names, line.files, error);
    if (!names) {
        err << prefix << error << "\n";
        return std::nullopt;
    }
    if (names->empty()) {
        err << prefix << "name at least one device (an address, or -f FILE)\n";
        return std::nullopt;
    }
    if (command == "set" && names->size() != 1) {
        err << prefix << "set writes to one device: name exactly one address\n";
        return std::nullopt;
    }
    std::vector<std::string> warnings;
    std::vector<DeviceTarget> targets = ResolveTargets(*names, warnings);
    for (const std::string& warning : warnings)
        err << prefix << warning << "\n";
    return targets;
}

}  // namespace

std::unique_ptr<Link> OpenLink(CommandContext& context) {
    try {
        auto link = context.io.openLink();
        link->BeforeWaiting([&output = context.output, &progress = context.progress] {
            output.Flush();
            progress.Refresh();
        });
        return link;
    } catch (const transport::SocketError& error) {
        context.io.err << "korvactl " << context.command << ": cannot open the UDP endpoint: " << OneLine(error.what())
                       << "\n";
        return nullptr;
    }
}

void TellSweepSummary(CommandContext& context, std::size_t answered, std::size_t failed, const char* answeredWord) {
    context.progress.End();
    context.io.err << "korvactl " << context.command << ": " << answered << ' ' << answeredWord << ", " << failed
                   << " failed\n";
}

void ReportUnanswered(CommandContext& context, const DeviceTarget& target, const std::string& reason) {
    context.output.Write(Record{target.name, std::chrono::system_clock::now(), std::nullopt, reason, std::nullopt});
}

bool IsNetworkCommand(std::string_view command) {
    return Commands().contains(command);
}

int RunNetworkCommand(std::string_view command, const std::vector<std::string>& arguments, CommandIo& io) {
    const std::string prefix = "korvactl " + std::string(command) + ": ";
    const ParsedCommandLine parsed = ParseCommandLine(command, arguments);
    if (!parsed.line) {
        io.err << prefix << parsed.error << "\n";
        return kExitUsage;
    }
    const CommandEntry& entry = Commands().at(command);
    std::vector<DeviceTarget> targets;
    if (entry.namesDevices) {
        auto named = NamedTargets(command, *parsed.line, io.err);
        if (!named)
            return kExitUsage;
        targets = std::move(*named);
    }

    JsonLinesWriter json(io.out);
    TableWriter table(io.out);
    CsvWriter csv(io.out);
    const OutputFormat format = parsed.line->format;
    RecordSink& writer = format == OutputFormat::kTable ? static_cast<RecordSink&>(table)
                         : format == OutputFormat::kCsv ? static_cast<RecordSink&>(csv)
                                                        : json;
    const bool ordered = entry.sweeps && parsed.line->order == OutputOrder::kInput;
    std::vector<std::string> names;
    for (const DeviceTarget& target : targets)
        names.push_back(target.name);
    InputOrder inInputOrder(writer, names);
    ProgressLine progress(io.err, parsed.line->progress.value_or(io.errIsTerminal), prefix);
    FailureEcho output(ordered ? static_cast<RecordSink&>(inInputOrder) : writer, io.err, std::string(command),
                       progress);
    CommandContext context{std::string(command), *parsed.line, std::move(targets), output, io, progress};
    try {
        const int status = entry.run(context);
        progress.End();
        output.TellRepeats();
        if (ordered)
            inInputOrder.Release();
        output.Flush();
        return status;
    } catch (const OutputError& error) {
        io.err << prefix << "cannot write the output: " << error.what() << "\n";
        return kExitNotAllAnswered;
    }
}

Consent AskConsent(const std::string& question, Terminal& terminal) {
    if (!terminal.interactive)
        return Consent::kNoTerminal;
    terminal.out << question << " [y/N] " << std::flush;
    std::string answer;
    if (!std::getline(terminal.in, answer))
        return Consent::kDeclined;
    std::erase_if(answer, [](unsigned char c) { return std::isspace(c); });
    std::transform(answer.begin(), answer.end(), answer.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return answer == "y" || answer == "yes" ? Consent::kGiven : Consent::kDeclined;
}

}  // namespace korva::ctl
