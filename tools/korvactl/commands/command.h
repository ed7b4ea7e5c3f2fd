#pragma once
// One row of korvactl's command table (program/command_table.cpp): what a command is called, what it takes, how
// it is explained, and what runs it.
#include "language/message.h"
#include "tools/korvactl/commands/command_context.h"
#include "tools/korvactl/commands/command_io.h"

#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace korva::ctl {

struct Command;

// A command that talks to devices runs on the context RunNetworkCommand builds for it.
struct NetworkRunner {
    int (*run)(CommandContext& context);
    // The arguments name devices, resolved before the command runs; scan takes ranges, apply a plan.
    bool namesDevices;
    // One result a device, held back for the order named unless --order reply. watch streams, set names
    // one device, and scan and apply keep their own order.
    bool sweeps;
};

// decode and the exporter read their own arguments, those after the command's name.
using ArgumentsRunner = int (*)(const Command& command, const std::vector<std::string>& arguments, CommandIo& io);

// What a command's arguments other than its options name, as the completion and the man page tell it.
enum class Operands {
    kDevices,   // any number of devices, more with -f
    kDevice,    // one device
    kRanges,    // one range of addresses or more
    kPlan,      // a plan file
    kCaptures,  // files of captured datagrams, or none for standard input
};

// The options a command takes are in the rows of inputs/command_options.h that name it.
struct Command {
    std::string_view name;
    language::Key arguments;  // after the command's name in its usage: "RANGE... [--rate R] [--force]"
    language::Key help;       // what it does, in lines as wide as the usage text's
    Operands operands;
    std::variant<NetworkRunner, ArgumentsRunner> run;
};

}  // namespace korva::ctl
