// `korvactl reset`: the echo number from a status reply, then the reset commands until acknowledged.
#include "tools/korvactl/command_context.h"
#include "tools/korvactl/record_writers.h"
#include "tools/korvactl/reset_conversation.h"
#include "tools/korvactl/reset_sequence.h"

#include <algorithm>

namespace korva::ctl {

int RunResetCommand(CommandContext& context) {
    const auto link = OpenLink(context);
    if (!link)
        return kExitNotAllAnswered;
    // The status replies only serve to learn each device's echo number; failures to get one are results.
    RecordFilter statusFailures(context.output, RecordFilter::Keep::kFailures);
    const ResetOutcome outcome =
        ResetDevices(*link, context.targets, statusFailures, context.output, context.line.retry, kResetSpacing);
    const bool allReset =
        std::all_of(outcome.acknowledged.begin(), outcome.acknowledged.end(), [](bool ack) { return ack; });
    return allReset ? kExitAllAnswered : kExitNotAllAnswered;
}

}  // namespace korva::ctl
