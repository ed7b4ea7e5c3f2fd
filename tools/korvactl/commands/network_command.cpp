// RunNetworkCommand: a network command's line read, its devices named, its output chosen, and the command run.
#include "tools/korvactl/commands/network_command.h"
#include "tools/common/terminal_text.h"

#include "tools/korvactl/commands/command_context.h"
#include "tools/korvactl/inputs/command_options.h"
#include "tools/korvactl/inputs/input_file.h"
#include "tools/korvactl/output/record_writers.h"

#include <algorithm>
#include <optional>
#include <ostream>

namespace korva::ctl {

namespace {

// The devices the arguments and -f files name, resolved; nullopt after the reason was printed.
std::optional<std::vector<DeviceTarget>> NamedTargets(std::string_view command, const CommandLine& line,
                                                      CommandIo& io) {
    const std::string prefix = "korvactl " + std::string(command) + ": ";
    const auto tell = [&](const std::string& text) { io.err << prefix << tools::TerminalText(text) << "\n"; };
    std::string error;
    const auto names = CollectDeviceNames(line.names, line.files, io.texts, error);
    if (!names) {
        tell(error);
        return std::nullopt;
    }
    if (names->empty()) {
        tell(io.texts.Text("ctl.no_device_named"));
        return std::nullopt;
    }
    for (const std::string& name : *names) {
        if (IsDottedQuadOutOfRange(name)) {
            tell(io.texts.Text({"ctl.octet_over_255", {{"name", name}}}));
            return std::nullopt;
        }
    }
    if (command == "set" && names->size() != 1) {
        tell(io.texts.Text("ctl.set.one_device"));
        return std::nullopt;
    }
    std::vector<std::string> warnings;
    std::vector<DeviceTarget> targets = ResolveTargets(*names, io.texts, warnings);
    for (const std::string& warning : warnings)
        tell(warning);
    return targets;
}

}  // namespace

int RunNetworkCommand(const Command& row, const std::vector<std::string>& arguments, CommandIo& io) {
    const std::string_view command = row.name;
    const std::string prefix = "korvactl " + std::string(command) + ": ";
    const ParsedCommandLine parsed = ParseCommandLine(command, arguments, io.texts);
    if (!parsed.line) {
        io.err << prefix << tools::TerminalText(parsed.error) << "\n";
        return kExitUsage;
    }
    const NetworkRunner& runner = std::get<NetworkRunner>(row.run);
    std::vector<DeviceTarget> targets;
    if (runner.namesDevices) {
        auto named = NamedTargets(command, *parsed.line, io);
        if (!named)
            return kExitUsage;
        targets = std::move(*named);
    }
    // Not before: a Ctrl-C while names are still looked up ends the program at once, as nothing was sent.
    if (io.catchInterrupts)
        io.catchInterrupts();

    JsonLinesWriter json(io.out);
    TableWriter table(io.out);
    // A command that offers --raw leaves the reply's own line out of its CSV unless asked.
    const bool offersRaw = OptionOf(command, "--raw") != nullptr;
    CsvWriter csv(io.out, !offersRaw || parsed.line->raw);
    const OutputFormat format = parsed.line->format;
    RecordSink& writer = format == OutputFormat::kTable ? static_cast<RecordSink&>(table)
                         : format == OutputFormat::kCsv ? static_cast<RecordSink&>(csv)
                                                        : json;
    const bool ordered = runner.sweeps && parsed.line->order == OutputOrder::kInput;
    std::vector<std::string> names;
    for (const DeviceTarget& target : targets)
        names.push_back(target.name);
    InputOrder inInputOrder(writer, names);
    ProgressLine progress(io.err, parsed.line->progress.value_or(io.errIsTerminal), prefix, io.outIsTerminal, io.texts);
    FailureEcho output(ordered ? static_cast<RecordSink&>(inInputOrder) : writer, io.err, std::string(command),
                       progress, io.texts);
    CommandContext context{std::string(command), *parsed.line, std::move(targets), output, io, progress};
    try {
        const int status = runner.run(context);
        progress.End();
        output.TellRepeats();
        if (ordered)
            inInputOrder.Release();
        output.Flush();
        return status;
    } catch (const OutputError& error) {
        TellUnwritableOutput(context, error);
        return kExitNotAllAnswered;
    }
}

}  // namespace korva::ctl
