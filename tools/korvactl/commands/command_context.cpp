// What the network commands share around their conversations: the link, the unanswered, the summary.
#include "tools/korvactl/commands/command_context.h"

#include "tools/common/terminal_text.h"
#include "transport/udp_endpoint.h"

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
        context.io.err << "korvactl " << context.command << ": "
                       << context.io.texts.Text({"ctl.endpoint_unavailable", {{"reason", OneLine(error.what())}}})
                       << "\n";
        return nullptr;
    }
}

void TellUnwritableOutput(CommandContext& context, const OutputError& error) {
    context.progress.End();
    const std::string prefix = "korvactl " + context.command + ": ";
    const language::Catalogue& texts = context.io.texts;
    context.io.err << prefix << texts.Text({"ctl.output_unwritable", {{"reason", error.what()}}}) << "\n";
    for (const auto& [name, sent] : context.written)
        context.io.err
            << prefix
            << tools::TerminalText(texts.Text(
                   {"ctl.written_before_output_failed",
                    {{"device", name}, {"address", sent.address}, {"mask", sent.mask}, {"gateway", sent.gateway}}}))
            << "\n";
}

void TellSweepSummary(CommandContext& context, language::Key summary, std::size_t answered, std::size_t failed) {
    context.progress.End();
    context.io.err << "korvactl " << context.command << ": "
                   << context.io.texts.Text({summary, {{"answered", answered}, {"failed", failed}}}) << "\n";
}

}  // namespace korva::ctl
