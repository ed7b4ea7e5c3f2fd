#pragma once
#include "tools/korvactl/commands/command.h"
#include "tools/korvactl/commands/command_io.h"

#include <string>
#include <vector>

namespace korva::ctl {

// `korvactl exporter --listen ADDRESS:PORT [ADDRESS...] [-f FILE] [--timeout D]`: a Prometheus exporter
// for Korva devices, serving until SIGINT or SIGTERM. arguments: those after the command's name. Returns
// korvactl's exit status.
int RunExporterCommand(const Command& command, const std::vector<std::string>& arguments, CommandIo& io);

}  // namespace korva::ctl
