#pragma once
#include <iosfwd>
#include <string>
#include <vector>

namespace korva::ctl {

// `korvactl exporter --listen ADDRESS:PORT [ADDRESS...] [-f FILE] [--timeout D]`: a Prometheus exporter
// for Korva devices, serving until SIGINT or SIGTERM. arguments: those after the command's name. Returns korvactl's
// exit status.
int RunExporterCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

}  // namespace korva::ctl
