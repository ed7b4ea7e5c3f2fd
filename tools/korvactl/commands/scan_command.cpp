// `korvactl scan`: a parameter request to every address of the ranges given, paced, and a list of the
// devices that answered.
#include "tools/korvactl/commands/scan_command.h"
#include "tools/common/terminal_text.h"
#include "tools/korvactl/conversations/conversation_runner.h"
#include "tools/korvactl/conversations/scan_conversation.h"
#include "tools/korvactl/inputs/device_target.h"
#include "tools/korvactl/output/failure_summary.h"

#include <algorithm>
#include <cmath>
#include <ostream>

namespace korva::ctl {

namespace {

// More addresses than a /16 are rarely meant, and at the default pace take longer than five minutes.
constexpr std::uint64_t kLargestUnforced = 65'536;
// Conversations alive at once: a forced search of a /8 runs in slices, so its memory stays that of a /16.
constexpr std::uint64_t kSlice = 65'536;

struct Tally {
    std::uint64_t asked = 0;
    std::uint64_t answered = 0;
    std::uint64_t failed = 0;  // requests that could not be sent
};

// The addresses of one slice of the ranges, from the given position on.
std::vector<std::string> SliceAddresses(const ScanRanges& ranges, std::uint64_t from) {
    std::vector<std::string> addresses;
    std::uint64_t position = 0;  // of the range's first address among all of the ranges'
    for (const Ipv4Range& range : ranges.ranges) {
        const std::uint64_t skipped = from > position ? std::min(from - position, range.count) : 0;
        position += range.count;
        for (std::uint64_t i = skipped; i < range.count && addresses.size() < kSlice; ++i)
            addresses.push_back(Ipv4Text(range.At(i)));
    }
    return addresses;
}

// One slice of addresses from the ranges, starting at the given position; false when interrupted.
// sink: the replies, in the ranges' order unless --order reply; a failure here is a request that could
// not be sent.
bool ScanSlice(CommandContext& context, Link& link, const ScanRanges& ranges, std::uint64_t from, RecordSink& sink,
               std::uint64_t total, Tally& tally) {
    const std::vector<std::string> addresses = SliceAddresses(ranges, from);
    InputOrder inOrder(sink, addresses);
    RecordSink& replies = context.line.order == OutputOrder::kInput ? inOrder : sink;
    std::vector<std::unique_ptr<ScanConversation>> conversations;
    ScanProgress progress;
    const SteadyTime start = link.Now();
    for (const std::string& address : addresses) {
        // Whole milliseconds, as the waits are: a rate above 1000 a second goes out in bursts each
        // millisecond.
        const std::chrono::milliseconds offset(
            context.line.rate > 0 ? std::llround(static_cast<double>(conversations.size()) * 1000.0 / context.line.rate)
                                  : 0);
        conversations.push_back(std::make_unique<ScanConversation>(
            DeviceTarget{address, address, {}}, replies, progress, start + offset, context.line.retry.timeout));
        progress.lastPlanned = start + offset;
    }
    const auto count = [&conversations, &tally] {
        ProgressCounts counts{tally.asked + tally.failed, tally.answered, tally.failed};
        for (const auto& conversation : conversations) {
            const bool failed = conversation->Finished() && !conversation->Asked();
            counts.done += conversation->Asked() || failed ? 1 : 0;
            counts.found += conversation->Succeeded() ? 1 : 0;
            counts.failed += failed ? 1 : 0;
        }
        return counts;
    };
    context.progress.Track("ctl.progress.asking", total, count);
    const bool completed = RunConversations(link, Pointers(conversations));
    inOrder.Release();
    const ProgressCounts slice = count();
    tally.asked = slice.done - slice.failed;
    tally.answered = slice.found;
    tally.failed = slice.failed;
    return completed;
}

}  // namespace

int RunScanCommand(CommandContext& context) {
    const std::string prefix = "korvactl scan: ";
    const language::Catalogue& texts = context.io.texts;
    if (context.line.names.empty()) {
        context.io.err << prefix << texts.Text("ctl.scan.no_range") << "\n";
        return kExitUsage;
    }
    std::string error;
    const auto ranges = ReadScanRanges(context.line.names, texts, error);
    if (!ranges) {
        context.io.err << prefix << tools::TerminalText(error) << "\n";
        return kExitUsage;
    }
    const std::uint64_t total = ranges->Distinct();
    if (total > kLargestUnforced && !context.line.force) {
        context.io.err << prefix << texts.Text({"ctl.scan.too_many", {{"count", total}, {"limit", kLargestUnforced}}})
                       << "\n";
        return kExitUsage;
    }
    if (const std::uint64_t repeated = ranges->named - total; repeated > 0)
        context.io.err << prefix << texts.Text({"ctl.scan.repeated", {{"count", repeated}}}) << "\n";

    const auto link = OpenLink(context);
    if (!link)
        return kExitNotAllAnswered;
    Tally tally;
    FailureSummary sendFailures(context.output);
    for (std::uint64_t from = 0; from < total; from += kSlice) {
        if (!ScanSlice(context, *link, *ranges, from, sendFailures, total, tally)) {
            context.progress.End();
            sendFailures.Summarise(context.io.err, prefix, texts);
            context.io.err << prefix
                           << texts.Text({"ctl.scan.interrupted",
                                          {{"asked", tally.asked}, {"total", total}, {"answered", tally.answered}}})
                           << "\n";
            return kExitNotAllAnswered;
        }
    }
    context.progress.End();
    sendFailures.Summarise(context.io.err, prefix, texts);
    context.io.err << prefix << texts.Text({"ctl.scan.summary", {{"answered", tally.answered}, {"total", total}}})
                   << "\n";
    return sendFailures.Failures() == 0 ? kExitAllAnswered : kExitNotAllAnswered;
}

}  // namespace korva::ctl
