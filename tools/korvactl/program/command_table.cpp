#include "tools/korvactl/program/command_table.h"

#include "tools/korvactl/commands/apply_command.h"
#include "tools/korvactl/commands/decode_command.h"
#include "tools/korvactl/commands/device_commands.h"
#include "tools/korvactl/commands/scan_command.h"
#include "tools/korvactl/exporter/exporter_command.h"

#include <algorithm>

namespace korva::ctl {

namespace {

int RunDecodeCommand(const Command&, const std::vector<std::string>& arguments, CommandIo& io) {
    return RunDecode(arguments, io.terminal.in, io.out, io.err, io.texts);
}

}  // namespace

const std::vector<Command>& Commands() {
    // What a command that asks every device named once takes.
    static const std::vector<std::string_view> sweep = {"-f",    "--timeout", "--retries",  "--json",       "--table",
                                                        "--csv", "--order",   "--progress", "--no-progress"};
    static const std::vector<Command> commands = {
        {"status", "ctl.status.arguments", "ctl.status.help", sweep, NetworkRunner{RunStatusCommand, true, true}},
        {"params", "ctl.params.arguments", "ctl.params.help", sweep, NetworkRunner{RunStatusCommand, true, true}},
        {"watch",
         "ctl.watch.arguments",
         "ctl.watch.help",
         {"-f", "--interval", "--count", "--json", "--table", "--csv", "--raw"},
         NetworkRunner{RunWatchCommand, true, false}},
        {"set",
         "ctl.set.arguments",
         "ctl.set.help",
         {"--timeout", "--retries", "--json", "--table", "--csv", "--ip", "--mask", "--gateway", "--yes", "--force"},
         NetworkRunner{RunSetCommand, true, false}},
        {"reset", "ctl.reset.arguments", "ctl.reset.help", sweep, NetworkRunner{RunResetCommand, true, true}},
        {"scan",
         "ctl.scan.arguments",
         "ctl.scan.help",
         {"--rate", "--timeout", "--json", "--table", "--csv", "--order", "--force", "--progress", "--no-progress"},
         NetworkRunner{RunScanCommand, false, false}},
        {"apply",
         "ctl.apply.arguments",
         "ctl.apply.help",
         {"--timeout", "--retries", "--json", "--table", "--csv", "--yes", "--reset-interval", "--force", "--dry-run",
          "--diff", "--progress", "--no-progress"},
         NetworkRunner{RunApplyCommand, false, false}},
        {"decode", "ctl.decode.arguments", "ctl.decode.help", {"--text"}, RunDecodeCommand},
        {"exporter",
         "ctl.exporter.arguments",
         "ctl.exporter.help",
         {"-f", "--timeout", "--listen", "--web-config", "--allow-targets", "--no-names"},
         RunExporterCommand},
    };
    return commands;
}

const Command* FindCommand(std::string_view name) {
    const auto& commands = Commands();
    const auto found =
        std::find_if(commands.begin(), commands.end(), [name](const Command& command) { return command.name == name; });
    return found == commands.end() ? nullptr : &*found;
}

const std::vector<OptionHelp>& OptionHelps() {
    static const std::vector<OptionHelp> options = {
        {{"-f"}, "ctl.option.file.value", "ctl.option.file", true},
        {{"--timeout"}, "ctl.option.timeout.value", "ctl.option.timeout", true},
        {{"--retries"}, "ctl.option.retries.value", "ctl.option.retries", true},
        {{"--json", "--table", "--csv"}, {}, "ctl.option.format", true},
        {{"--order"}, "ctl.option.order.value", "ctl.option.order", true},
        {{"--progress", "--no-progress"}, {}, "ctl.option.progress", true},
        {{"-h", "--help"}, {}, "ctl.option.help", true},
        {{"--interval"}, "ctl.option.interval.value", "ctl.option.interval", false},
        {{"--count"}, "ctl.option.count.value", "ctl.option.count", false},
        {{"--raw"}, {}, "ctl.option.raw", false},
        {{"--ip"}, "ctl.option.ip.value", "ctl.option.ip", false},
        {{"--mask"}, "ctl.option.mask.value", "ctl.option.mask", false},
        {{"--gateway"}, "ctl.option.gateway.value", "ctl.option.gateway", false},
        {{"--yes"}, {}, "ctl.option.yes", false},
        {{"--force"}, {}, "ctl.option.force.set", false, "set"},
        {{"--force"}, {}, "ctl.option.force.scan", false, "scan"},
        {{"--force"}, {}, "ctl.option.force.apply", false, "apply"},
        {{"--rate"}, "ctl.option.rate.value", "ctl.option.rate", false},
        {{"--reset-interval"}, "ctl.option.reset_interval.value", "ctl.option.reset_interval", false},
        {{"--dry-run", "--diff"}, {}, "ctl.option.dry_run", false},
        {{"--listen"}, "ctl.option.listen.value", "ctl.option.listen", false},
        {{"--web-config"}, "ctl.option.web_config.value", "ctl.option.web_config", false},
        {{"--allow-targets"}, "ctl.option.allow_targets.value", "ctl.option.allow_targets", false},
        {{"--no-names"}, {}, "ctl.option.no_names", false},
        {{"--text"}, {}, "ctl.option.text", false},
    };
    return options;
}

}  // namespace korva::ctl
