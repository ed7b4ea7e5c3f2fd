// The exporter command in a build without the exporter: an exporter runs on a monitoring server, beside
// Prometheus, and those run Linux; the Windows build leaves prometheus-cpp and civetweb out.
#include "tools/korvactl/exporter/exporter_command.h"

#include <ostream>

namespace korva::ctl {

int RunExporterCommand(const Command&, const std::vector<std::string>&, CommandIo& io) {
    io.err << "korvactl exporter: " << io.texts.Text("ctl.exporter.unavailable") << "\n";
    return kExitUsage;
}

}  // namespace korva::ctl
