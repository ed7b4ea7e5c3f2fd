#include "tools/korvactl/commands/command_table.h"

#include "tools/korvactl/commands/apply_command.h"
#include "tools/korvactl/commands/decode_command.h"
#include "tools/korvactl/commands/device_commands.h"
#include "tools/korvactl/commands/scan_command.h"
#include "tools/korvactl/exporter/exporter_command.h"

#include <algorithm>

namespace korva::ctl {

namespace {

int RunDecodeCommand(const Command&, const std::vector<std::string>& arguments, CommandIo& io) {
    return RunDecode(arguments, io.terminal.in, io.out, io.err);
}

}  // namespace

const std::vector<Command>& Commands() {
    // What a command that asks every device named once takes.
    static const std::vector<std::string_view> sweep = {"-f",    "--timeout", "--retries",  "--json",       "--table",
                                                        "--csv", "--order",   "--progress", "--no-progress"};
    static const std::vector<Command> commands = {
        {"status", "status ADDRESS...", "one live-data request to each device", sweep,
         NetworkRunner{RunStatusCommand, true, true}},
        {"params", "params ADDRESS...", "one parameter request to each device", sweep,
         NetworkRunner{RunStatusCommand, true, true}},
        {"watch",
         "watch ADDRESS...",
         "automatic mode: parameters once, then live data every --interval\n"
         "(default 500ms) for --count N rounds or until Ctrl-C",
         {"-f", "--interval", "--count", "--json", "--table", "--csv", "--raw"},
         NetworkRunner{RunWatchCommand, true, false}},
        {"set",
         "set ADDRESS --ip A --mask M --gateway G [--yes] [--force]",
         "checks and writes new network parameters (asks first unless --yes;\n"
         "--force skips the checks), then asks the new address for its parameters",
         {"--timeout", "--retries", "--json", "--table", "--csv", "--ip", "--mask", "--gateway", "--yes", "--force"},
         NetworkRunner{RunSetCommand, true, false}},
        {"reset", "reset ADDRESS...",
         "reads the echo number, then sends the reset command up to 15 times,\n"
         "500 ms apart, until the device acknowledges it",
         sweep, NetworkRunner{RunResetCommand, true, true}},
        {"scan",
         "scan RANGE... [--rate R] [--force]",
         "a parameter request to every address of the ranges (10.1.2.0/24,\n"
         "10.1.2.1-10.1.2.99 or one address; each address once), R a second\n"
         "(0.1 to 1000000, default 200; 0: no limit), then lists the devices\n"
         "that answered; more than 65536 addresses only with --force;\n"
         "--timeout: the wait after the last request",
         {"--rate", "--timeout", "--json", "--table", "--csv", "--order", "--force", "--progress", "--no-progress"},
         NetworkRunner{RunScanCommand, false, false}},
        {"apply",
         "apply PLAN.csv [--dry-run] [--yes] [--force] [--reset-interval D]",
         "commissions the devices of a plan, one a row as spreadsheets save CSV:\n"
         "address,new_address,mask,gateway[,mac] (a header naming them in English\n"
         "or Portuguese, in any order, # comments and blank rows allowed; a MAC\n"
         "makes only that device the row's). Checks every row as set does and\n"
         "the plan as a whole (a device or a new address twice, a new address in\n"
         "use), asking each device at both addresses; shows the changes and asks\n"
         "once (unless --yes; Ctrl-C there writes nothing); writes, resets\n"
         "(commands D apart, default 500ms), and reads each device back at its\n"
         "new address. Result per device: unchanged, applied,\n"
         "written_not_verified (a write left but was not verified) or failed;\n"
         "more than 65536 devices only with --force; --dry-run (or --diff): read and\n"
         "check everything, list only the fields that would change, write nothing",
         {"--timeout", "--retries", "--json", "--table", "--csv", "--yes", "--reset-interval", "--force", "--dry-run",
          "--diff", "--progress", "--no-progress"},
         NetworkRunner{RunApplyCommand, false, false}},
        {"decode",
         "decode [--text] [FILE...]",
         "reads captured datagrams (hex, one a line; --text: the reply text) and\n"
         "prints what the device said",
         {"--text"},
         RunDecodeCommand},
        {"exporter",
         "exporter --listen ADDRESS:PORT [ADDRESS...] [-f FILE] [--timeout D] [--web-config FILE] "
         "[--allow-targets RANGE,...] [--no-names]",
         "a Prometheus exporter until SIGINT or SIGTERM: /probe?target=ADDRESS asks\n"
         "that device at scrape time (waiting --timeout at most, default 1s, or less\n"
         "when Prometheus's scrape time-out is shorter); /metrics holds the\n"
         "exporter's own metrics and asks the devices listed, all at once",
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
        {{"-f"}, "FILE", "more devices, one a line, # starts a comment", true},
        {{"--timeout"}, "D", "wait for each reply (default 1s; 500ms, 2s, 0.5 = seconds)", true},
        {{"--retries"}, "N", "requests sent again after a time-out (default 2)", true},
        {{"--json", "--table", "--csv"}, "", "one JSON object a line (default), a table for people, or CSV", true},
        {{"--order"}, "input|reply", "results in the order named (default) or as they come", true},
        {{"--progress", "--no-progress"},
         "",
         "the self-updating progress line on standard error (default: when it is\n"
         "a terminal)",
         true},
        {{"-h", "--help"}, "", "this text; --version: the program's version", true},
        {{"--interval"}, "D", "the time between two rounds of live data (default 500ms)", false},
        {{"--count"}, "N", "rounds before watch ends (default: until Ctrl-C)", false},
        {{"--raw"}, "", "CSV: each reply's own line too, in the column plain", false},
        {{"--ip"}, "A", "the device's new address", false},
        {{"--mask"}, "M", "the device's new mask", false},
        {{"--gateway"}, "G", "the device's new gateway", false},
        {{"--yes"}, "", "writes without asking first", false},
        {{"--force"}, "", "writes values its checks refuse", false, "set"},
        {{"--force"}, "", "searches more than 65536 addresses", false, "scan"},
        {{"--force"}, "", "applies a plan of more than 65536 devices", false, "apply"},
        {{"--rate"}, "R", "requests a second (0.1 to 1000000, default 200; 0: no limit)", false},
        {{"--reset-interval"}, "D", "the time between two reset commands (default 500ms)", false},
        {{"--dry-run", "--diff"}, "", "reads and checks everything, lists what would change, writes nothing", false},
        {{"--listen"}, "ADDRESS:PORT", "where the exporter serves HTTP", false},
        {{"--web-config"},
         "FILE",
         "the exporter's TLS certificate and passwords, in the exporter toolkit's\n"
         "format (tls_server_config, basic_auth_users with bcrypt hashes)",
         false},
        {{"--allow-targets"}, "RANGE,...", "the only addresses /probe may ask (default: any)", false},
        {{"--no-names"}, "", "/probe takes addresses only: a host name is refused with 400", false},
        {{"--text"}, "", "each line is the reply's own text instead of hex", false},
    };
    return options;
}

}  // namespace korva::ctl
