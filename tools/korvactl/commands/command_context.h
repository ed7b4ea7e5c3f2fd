#pragma once
// What every network command starts from once its command line has been read, and what they share
// around it: the link, the records of devices left unanswered, the closing line of a sweep.
#include "protocol/new_parameters.h"
#include "tools/korvactl/commands/command_io.h"
#include "tools/korvactl/conversations/link.h"
#include "tools/korvactl/inputs/command_line.h"
#include "tools/korvactl/inputs/device_target.h"
#include "tools/korvactl/output/progress_line.h"
#include "tools/korvactl/output/record_writers.h"

#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace korva::ctl {

struct CommandContext {
    std::string command;
    CommandLine line;
    std::vector<DeviceTarget> targets;  // the devices named, resolved (none for scan and apply)
    RecordSink& output;                 // replies and failures, failures echoed on standard error
    CommandIo& io;
    ProgressLine& progress;  // redrawn whenever the link waits; cleared before the closing summary
    // Each device a write went out to, with what it was sent: when the output fails, standard error
    // names them, since the results that would have told of them are lost.
    std::vector<std::pair<std::string, NewParameters>> written = {};
};

// "cannot write the output: No space left on device", then each device written so far.
void TellUnwritableOutput(CommandContext& context, const OutputError& error);

// "3 answered, 1 failed": the closing line of a sweep, with the prefix of its command. summary: the line's
// text (ctl.summary.answered), of the counts answered and failed.
void TellSweepSummary(CommandContext& context, language::Key summary, std::size_t answered, std::size_t failed);

// The endpoint, opened; on failure the reason is printed and the result is empty.
std::unique_ptr<Link> OpenLink(CommandContext& context);

}  // namespace korva::ctl
