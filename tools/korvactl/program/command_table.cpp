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
    static const std::vector<Command> commands = {
        {"status", "ctl.status.arguments", "ctl.status.help", Operands::kDevices,
         NetworkRunner{RunStatusCommand, true, true}},
        {"params", "ctl.params.arguments", "ctl.params.help", Operands::kDevices,
         NetworkRunner{RunStatusCommand, true, true}},
        {"watch", "ctl.watch.arguments", "ctl.watch.help", Operands::kDevices,
         NetworkRunner{RunWatchCommand, true, false}},
        {"set", "ctl.set.arguments", "ctl.set.help", Operands::kDevice, NetworkRunner{RunSetCommand, true, false}},
        {"reset", "ctl.reset.arguments", "ctl.reset.help", Operands::kDevices,
         NetworkRunner{RunResetCommand, true, true}},
        {"scan", "ctl.scan.arguments", "ctl.scan.help", Operands::kRanges, NetworkRunner{RunScanCommand, false, false}},
        {"apply", "ctl.apply.arguments", "ctl.apply.help", Operands::kPlan,
         NetworkRunner{RunApplyCommand, false, false}},
        {"decode", "ctl.decode.arguments", "ctl.decode.help", Operands::kCaptures, RunDecodeCommand},
        {"exporter", "ctl.exporter.arguments", "ctl.exporter.help", Operands::kDevices, RunExporterCommand},
    };
    return commands;
}

const Command* FindCommand(std::string_view name) {
    const auto& commands = Commands();
    const auto found =
        std::find_if(commands.begin(), commands.end(), [name](const Command& command) { return command.name == name; });
    return found == commands.end() ? nullptr : &*found;
}

}  // namespace korva::ctl
