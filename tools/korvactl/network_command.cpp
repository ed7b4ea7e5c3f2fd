#include "tools/korvactl/network_command.h"

#include "tools/korvactl/address_file.h"
#include "tools/korvactl/command_context.h"
#include "tools/korvactl/output_error.h"
#include "tools/korvactl/record_writers.h"
#include "transport/udp_endpoint.h"

#include <map>
#include <ostream>

namespace korva::ctl {
namespace {

using CommandFunction = int (*)(CommandContext&);

const std::map<std::string_view, CommandFunction>& Commands() {
    static const std::map<std::string_view, CommandFunction> commands = {
        {"status", RunStatusCommand}, {"params", RunStatusCommand}, {"watch", RunWatchCommand},
        {"reset", RunResetCommand},   {"set", RunSetCommand},
    };
    return commands;
}

}  // namespace

std::unique_ptr<Link> OpenLink(CommandContext& context) {
    try {
        return context.io.openLink();
    } catch (const transport::SocketError& error) {
        context.io.err << "korvactl " << context.command << ": cannot open the UDP endpoint: " << OneLine(error.what())
                       << "\n";
        return nullptr;
    }
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
    std::string error;
    const auto names = CollectDeviceNames(parsed.line->names, parsed.line->files, error);
    if (!names) {
        io.err << prefix << error << "\n";
        return kExitUsage;
    }
    if (names->empty()) {
        io.err << prefix << "name at least one device (an address, or -f FILE)\n";
        return kExitUsage;
    }
    if (command == "set" && names->size() != 1) {
        io.err << prefix << "set writes to one device: name exactly one address\n";
        return kExitUsage;
    }

    std::vector<std::string> warnings;
    std::vector<DeviceTarget> targets = ResolveTargets(*names, warnings);
    for (const std::string& warning : warnings)
        io.err << prefix << warning << "\n";

    JsonLinesWriter json(io.out);
    TableWriter table(io.out);
    FailureEcho output(parsed.line->table ? static_cast<RecordSink&>(table) : json, io.err, std::string(command));
    CommandContext context{std::string(command), *parsed.line, std::move(targets), output, io};
    try {
        return Commands().at(command)(context);
    } catch (const OutputError& error) {
        io.err << prefix << "cannot write the output: " << error.what() << "\n";
        return kExitNotAllAnswered;
    }
}

}  // namespace korva::ctl
