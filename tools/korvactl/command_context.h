#pragma once
// What every network command starts from once its command line has been read.
#include "tools/korvactl/command_line.h"
#include "tools/korvactl/device_target.h"
#include "tools/korvactl/network_command.h"
#include "tools/korvactl/record.h"

#include <memory>
#include <string>
#include <vector>

namespace korva::ctl {

struct CommandContext {
    std::string command;
    CommandLine line;
    std::vector<DeviceTarget> targets;  // the devices named, resolved (none for scan and apply)
    RecordSink& output;                 // replies and failures, failures echoed on standard error
    CommandIo& io;
};

// The endpoint, opened; on failure the reason is printed and the result is empty.
std::unique_ptr<Link> OpenLink(CommandContext& context);
// A failure record for a device that is left without an answer for a reason other than its own.
void ReportUnanswered(CommandContext& context, const DeviceTarget& target, const std::string& reason);

int RunStatusCommand(CommandContext& context);  // status and params
int RunWatchCommand(CommandContext& context);
int RunResetCommand(CommandContext& context);
int RunSetCommand(CommandContext& context);
int RunScanCommand(CommandContext& context);   // context.line.names: the ranges
int RunApplyCommand(CommandContext& context);  // context.line.names: the plan file

}  // namespace korva::ctl
