#include "tools/korvactl/exporter_command.h"

#include "tools/korvactl/address_file.h"
#include "tools/korvactl/command_line.h"
#include "tools/korvactl/endpoint_link.h"
#include "tools/korvactl/exporter_http.h"
#include "tools/korvactl/interrupt_signal.h"
#include "tools/korvactl/network_command.h"
#include "tools/korvactl/output_error.h"

#include <poll.h>

#include <charconv>
#include <optional>
#include <ostream>

namespace korva::ctl {
namespace {

// "ADDRESS:PORT" with the address resolved to a dotted quad, as the HTTP server takes it. Without an
// address the server would listen on every interface, which nobody should get by accident.
std::optional<std::string> ListenAddress(const std::string& text, std::string& error) {
    const std::size_t colon = text.rfind(':');
    int port = 0;
    const char* portEnd = text.data() + text.size();
    if (colon == std::string::npos || colon == 0 ||
        std::from_chars(text.data() + colon + 1, portEnd, port).ptr != portEnd || colon + 1 == text.size() ||
        port < 1 || port > 65535) {
        error = "--listen takes ADDRESS:PORT (a port from 1 to 65535): '" + text + "'";
        return std::nullopt;
    }
    const DeviceTarget host = ResolveTarget(text.substr(0, colon));
    if (!host.error.empty()) {
        error = "cannot listen on " + text + ": " + host.error;
        return std::nullopt;
    }
    return host.address + ":" + std::to_string(port);
}

void WaitUntilReadable(int fd) {
    pollfd wait{fd, POLLIN, 0};
    while (poll(&wait, 1, -1) <= 0 || (wait.revents & POLLIN) == 0) {
    }
}

}  // namespace

int RunExporterCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    const std::string prefix = "korvactl exporter: ";
    const ParsedCommandLine parsed = ParseCommandLine("exporter", arguments);
    if (!parsed.line) {
        err << prefix << parsed.error << "\n";
        return kExitUsage;
    }
    std::string error;
    if (!parsed.line->listen) {
        err << prefix << "say where to serve: --listen ADDRESS:PORT\n";
        return kExitUsage;
    }
    const auto listen = ListenAddress(*parsed.line->listen, error);
    const auto names = listen ? CollectDeviceNames(parsed.line->names, parsed.line->files, error) : std::nullopt;
    if (!names) {
        err << prefix << error << "\n";
        return kExitUsage;
    }
    std::vector<std::string> warnings;
    std::vector<DeviceTarget> devices = ResolveTargets(*names, warnings);
    for (const std::string& warning : warnings)
        err << prefix << warning << "\n";

    const int stopFd = InterruptSignal::Install(true);
    // Each scrape's link wakes on the stop signal too, so scrapes under way end at once when asked to stop.
    ExporterScrapes scrapes(
        {parsed.line->retry.timeout, std::move(devices), [stopFd] { return std::make_unique<EndpointLink>(stopFd); }});
    try {
        const ExporterHttp http(*listen, scrapes);
        out << prefix << "serving http://" << *listen << "/probe?target=ADDRESS and http://" << *listen
            << "/metrics until SIGINT or SIGTERM\n";
        FlushOrThrow(out);
        WaitUntilReadable(stopFd);
    } catch (const OutputError& outputError) {
        err << prefix << "cannot write the output: " << outputError.what() << "\n";
        return kExitNotAllAnswered;
    } catch (const std::runtime_error& serverError) {
        err << prefix << serverError.what() << "\n";
        return kExitNotAllAnswered;
    }
    return kExitAllAnswered;
}

}  // namespace korva::ctl
