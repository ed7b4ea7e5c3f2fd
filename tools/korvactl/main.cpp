// korvactl: the console's work from a script.
#include "tools/common/standard_streams.h"
#include "tools/korvactl/commands/decode_command.h"
#include "tools/korvactl/commands/network_command.h"
#include "tools/korvactl/conversations/link.h"
#include "tools/korvactl/exporter/exporter_command.h"
#include "tools/korvactl/output/record_writers.h"

#include <csignal>
#include <iostream>
#include <string>
#include <vector>

namespace {

void PrintUsage(std::ostream& out) {
    out << "usage: korvactl COMMAND [OPTIONS] [ADDRESS...]\n"
           "  status ADDRESS...   one live-data request to each device\n"
           "  params ADDRESS...   one parameter request to each device\n"
           "  watch ADDRESS...    automatic mode: parameters once, then live data every --interval\n"
           "                      (default 500ms) for --count N rounds or until Ctrl-C\n"
           "  set ADDRESS --ip A --mask M --gateway G [--yes] [--force]\n"
           "                      checks and writes new network parameters (asks first unless --yes;\n"
           "                      --force skips the checks), then asks the new address for its parameters\n"
           "  reset ADDRESS...    reads the echo number, then sends the reset command up to 15 times,\n"
           "                      500 ms apart, until the device acknowledges it\n"
           "  scan RANGE... [--rate R] [--force]\n"
           "                      a parameter request to every address of the ranges (10.1.2.0/24,\n"
           "                      10.1.2.1-10.1.2.99 or one address; each address once), R a second\n"
           "                      (0.1 to 1000000, default 200; 0: no limit), then lists the devices\n"
           "                      that answered; more than 65536 addresses only with --force;\n"
           "                      --timeout: the wait after the last request\n"
           "  apply PLAN.csv [--dry-run] [--yes] [--force] [--reset-interval D]\n"
           "                      commissions the devices of a plan, one a line:\n"
           "                      address,new_address,mask,gateway[,mac] (a header line, # comments and\n"
           "                      blank lines allowed; a MAC makes only that device the row's). Checks\n"
           "                      every row as set does and the plan as a whole (a device or a new\n"
           "                      address twice, a new address in use), asking each device at both\n"
           "                      addresses; shows the changes and asks once (unless --yes); writes,\n"
           "                      resets (commands D apart, default 500ms), and reads each device back\n"
           "                      at its new address. Result per device: unchanged, applied,\n"
           "                      written_not_verified (a write left but was not verified) or failed;\n"
           "                      more than 65536 devices only with --force; --dry-run (or --diff): read and\n"
           "                      check everything, list only the fields that would change, write nothing\n"
           "  decode [--text] [FILE...]\n"
           "                      reads captured datagrams (hex, one a line; --text: the reply text) and\n"
           "                      prints what the device said\n"
           "  exporter --listen ADDRESS:PORT [ADDRESS...] [-f FILE] [--timeout D]\n"
           "                      a Prometheus exporter until SIGINT or SIGTERM: /probe?target=ADDRESS asks\n"
           "                      that device at scrape time (waiting --timeout at most, default 1s, or less\n"
           "                      when Prometheus's scrape time-out is shorter); /metrics holds the\n"
           "                      exporter's own metrics and asks the devices listed, all at once\n"
           "options of the network commands:\n"
           "  -f FILE             more devices, one a line, # starts a comment (not for set, scan, apply)\n"
           "  --timeout D         wait for each reply (default 1s; 500ms, 2s, 0.5 = seconds; not for watch)\n"
           "  --retries N         requests sent again after a time-out (default 2; not for watch)\n"
           "  --json, --table, --csv\n"
           "                      one JSON object a line (default), a table for people, or CSV\n"
           "  --order input|reply results in the order named (default) or as they come (status, params,\n"
           "                      reset, scan)\n"
           "  --progress, --no-progress\n"
           "                      the self-updating progress line on standard error (default: when it is\n"
           "                      a terminal) for scan, apply and sweeps of several devices\n"
           "  -h, --help          this text; --version: the program's version\n"
           "exit status: 0 every device answered (reset: acknowledged; scan: the search ran to its end,\n"
           "             even when no device answered; apply: every device unchanged or applied), 1 not\n"
           "             all did, interrupted, or the output could not be written, 2 bad command line,\n"
           "             a file that cannot be read, or a plan refused by its checks\n";
}

}  // namespace

int main(int argc, char** argv) {
    korva::tools::PrepareStandardStreams();
#ifdef SIGPIPE
    // Output into a pipe whose reader has gone (`korvactl scan ... | head -1`) must end with the message
    // and status 1 a script can see, as any other unwritable output does, not with a silent SIGPIPE.
    // Windows has no such signal: the write fails there anyway.
    signal(SIGPIPE, SIG_IGN);
#endif
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.empty()) {
        PrintUsage(std::cerr);
        return 2;
    }
    const bool version = arguments[0] == "--version";
    if (version || arguments[0] == "--help" || arguments[0] == "-h") {
        if (version)
            std::cout << "korvactl " << KORVA_PROGRAM_VERSION << '\n';
        else
            PrintUsage(std::cout);
        try {
            korva::ctl::FlushOrThrow(std::cout);
        } catch (const korva::ctl::OutputError& error) {
            std::cerr << "korvactl: cannot write the output: " << error.what() << "\n";
            return 1;
        }
        return 0;
    }
    const std::string& command = arguments[0];
    const std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
    if (command == "decode")
        return korva::ctl::RunDecode(rest, std::cin, std::cout, std::cerr);
    if (command == "exporter")
        return korva::ctl::RunExporterCommand(rest, std::cout, std::cerr);
    if (korva::ctl::IsNetworkCommand(command)) {
        korva::ctl::CommandIo io{
            std::cout, std::cerr, {korva::tools::StandardInputIsTerminal(), std::cin, std::cerr}, [] {
                return std::make_unique<korva::ctl::EndpointLink>(korva::ctl::InterruptSignal::Install(true));
            },
            korva::tools::StandardErrorIsTerminal()};
        return korva::ctl::RunNetworkCommand(command, rest, io);
    }
    std::cerr << "korvactl: unknown command '" << command << "'\n";
    PrintUsage(std::cerr);
    return 2;
}
