// What the network commands share around their conversations: the link, the unanswered, the summary.
#include "tools/korvactl/commands/command_context.h"

#include "tools/common/terminal_text.h"
#include "transport/udp_endpoint.h"

#include <chrono>
#include <ostream>

namespace korva::ctl {

std::unique_ptr<Link> OpenLink(CommandContext& context) {
    try {
        auto link = context.io.openLink();
        link->BeforeWaiting([&output = context.output, &progress = context.progress] {
            output.Flush();
            progress.Refresh();
        });
        return link;
    } catch (const transport::SocketError& error) {
        context.io.err << "korvactl " << context.command << ": cannot open the UDP endpoint: " << OneLine(error.what())
                       << "\n";
        return nullptr;
    }
}

void TellUnwritableOutput(CommandContext& context, const OutputError& error) {
    context.progress.End();
    const std::string prefix = "korvactl " + context.command + ": ";
    context.io.err << prefix << "cannot write the output: " << error.what() << "\n";
    for (const auto& [name, sent] : context.written)
        context.io.err << prefix << "written before the output failed: " << tools::TerminalText(name)
                       << " was sent address " << tools::TerminalText(sent.address) << ", mask "
                       << tools::TerminalText(sent.mask) << ", gateway " << tools::TerminalText(sent.gateway) << "\n";
}

void TellSweepSummary(CommandContext& context, std::size_t answered, std::size_t failed, const char* answeredWord) {
    context.progress.End();
    context.io.err << "korvactl " << context.command << ": " << answered << ' ' << answeredWord << ", " << failed
                   << " failed\n";
}

void ReportUnanswered(CommandContext& context, const DeviceTarget& target, const std::string& reason) {
    context.output.Write(Record{target.name, std::chrono::system_clock::now(), std::nullopt, reason, std::nullopt});
}

}  // namespace korva::ctl
