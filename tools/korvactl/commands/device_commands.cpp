// The commands that talk to the devices named on the command line: status, params, watch, reset and set.
#include "tools/korvactl/commands/device_commands.h"
#include "protocol/address_text.h"
#include "protocol/messages.h"
#include "tools/common/terminal_text.h"
#include "tools/korvactl/commands/consent.h"
#include "tools/korvactl/conversations/conversation_runner.h"
#include "tools/korvactl/conversations/request_conversation.h"
#include "tools/korvactl/conversations/reset_conversation.h"
#include "tools/korvactl/conversations/watch_conversation.h"
#include "tools/korvactl/inputs/input_file.h"
#include "tools/korvactl/output/record_writers.h"

#include <algorithm>
#include <ostream>

namespace korva::ctl {

namespace {

// For a sweep of more than one device: the progress line while it runs, counting finished
// conversations, and the closing summary.
template <typename Owned>
void TrackSweep(CommandContext& context, const std::vector<Owned>& conversations, language::Key doing) {
    if (conversations.size() < 2)
        return;
    context.progress.Track(doing, conversations.size(), [&conversations] {
        ProgressCounts counts;
        for (const auto& conversation : conversations) {
            if (!conversation->Finished())
                continue;
            ++counts.done;
            ++(conversation->Succeeded() ? counts.found : counts.failed);
        }
        return counts;
    });
}

// Counts the records passing through: a reset ends in exactly one for each device, an acknowledgement
// or the failure that stopped it, so the count is how far the sweep has come.
class RecordCount : public RecordSink {
public:
    explicit RecordCount(RecordSink& next) : next_(next) {}
    void Write(const Record& record) override {
        ++(record.error.Empty() ? counts_.found : counts_.failed);
        ++counts_.done;
        next_.Write(record);
    }
    void Flush() override { next_.Flush(); }
    ProgressCounts Counts() const { return counts_; }

private:
    RecordSink& next_;
    ProgressCounts counts_;
};

void TellSweepEnd(CommandContext& context, language::Key summary, std::size_t devices, std::size_t succeeded) {
    if (devices > 1)
        TellSweepSummary(context, summary, succeeded, devices - succeeded);
}

}  // namespace

// `korvactl status` and `korvactl params`: one request to each device, all at once.
int RunStatusCommand(CommandContext& context) {
    const Request request =
        context.command == "status"
            ? Request{BuildLiveDataRequest(), ReplyKind::kStatus, "ctl.request.live_data"}
            : Request{BuildParameterRequest(true), ReplyKind::kParameters, "ctl.request.parameters"};
    const auto link = OpenLink(context);
    if (!link)
        return kExitNotAllAnswered;
    std::vector<std::unique_ptr<RequestConversation>> conversations;
    for (const DeviceTarget& target : context.targets)
        conversations.push_back(
            std::make_unique<RequestConversation>(target, context.output, request, context.line.retry));
    TrackSweep(context, conversations, "ctl.progress.asking");
    RunConversations(*link, Pointers(conversations));
    const auto answered = std::count_if(conversations.begin(), conversations.end(),
                                        [](const auto& conversation) { return conversation->Succeeded(); });
    TellSweepEnd(context, "ctl.summary.answered", conversations.size(), static_cast<std::size_t>(answered));
    return AllSucceeded(Pointers(conversations)) ? kExitAllAnswered : kExitNotAllAnswered;
}

// `korvactl watch`: automatic mode for each device named, until --count rounds or Ctrl-C.
int RunWatchCommand(CommandContext& context) {
    const auto link = OpenLink(context);
    if (!link)
        return kExitNotAllAnswered;
    const WatchSettings settings{context.line.interval, context.line.count};
    std::vector<std::unique_ptr<WatchConversation>> conversations;
    for (const DeviceTarget& target : context.targets)
        conversations.push_back(std::make_unique<WatchConversation>(target, context.output, settings));
    const bool completed = RunConversations(*link, Pointers(conversations));
    std::size_t steady = 0;
    int rounds = 0;
    for (const auto& conversation : conversations) {
        steady += conversation->MissedRounds() == 0 ? 1 : 0;
        rounds = std::max(rounds, conversation->Rounds());
    }
    const std::size_t missing = conversations.size() - steady;
    if (!completed) {
        context.progress.End();
        context.io.err << "korvactl watch: "
                       << context.io.texts.Text(
                              {"ctl.watch.interrupted", {{"rounds", rounds}, {"steady", steady}, {"missing", missing}}})
                       << "\n";
        return kExitNotAllAnswered;
    }
    if (conversations.size() > 1)
        TellSweepSummary(context, "ctl.summary.every_round", steady, missing);
    return missing == 0 ? kExitAllAnswered : kExitNotAllAnswered;
}

// `korvactl reset`: the echo number from a status reply, then the reset commands until acknowledged.
int RunResetCommand(CommandContext& context) {
    context.output.Begin(ReplyKind::kReset);
    const auto link = OpenLink(context);
    if (!link)
        return kExitNotAllAnswered;
    RecordCount results(context.output);
    // The status replies only serve to learn each device's echo number; failures to get one are results.
    RecordFilter statusFailures(results, RecordFilter::Keep::kFailures);
    if (context.targets.size() > 1)
        context.progress.Track("ctl.progress.resetting", context.targets.size(),
                               [&results] { return results.Counts(); });
    const ResetOutcome outcome =
        ResetDevices(*link, context.targets, statusFailures, results, context.line.retry, kResetSpacing);
    const auto reset = std::count(outcome.acknowledged.begin(), outcome.acknowledged.end(), true);
    TellSweepEnd(context, "ctl.summary.reset", context.targets.size(), static_cast<std::size_t>(reset));
    const bool allReset = reset == static_cast<std::ptrdiff_t>(context.targets.size());
    return allReset ? kExitAllAnswered : kExitNotAllAnswered;
}

// `korvactl set`: checks, asks, writes the new address, mask and gateway to the device, then asks the
// new address for its parameters, as the console's write button does.
namespace {

// Refuses (with the reasons on standard error) unless the values pass the checks or --force is given.
bool ValuesAccepted(CommandContext& context, const NewParameters& parameters) {
    if (context.line.force)
        return true;
    // The device's address was resolved with the command line: a simulated device on loopback may move
    // within it.
    const CurrentPlace current = PlaceOf(ParseIpv4(context.targets.front().address).value_or(0));
    const std::vector<std::string> problems = ParameterProblemTexts(parameters, current, context.io.texts);
    for (const std::string& problem : problems)
        context.io.err << "korvactl set: " << tools::TerminalText(problem) << "\n";
    if (!problems.empty())
        context.io.err << "korvactl set: " << context.io.texts.Text("ctl.set.refused") << "\n";
    return problems.empty();
}

}  // namespace

int RunSetCommand(CommandContext& context) {
    const language::Catalogue& texts = context.io.texts;
    if (!context.line.ip || !context.line.mask || !context.line.gateway) {
        context.io.err << "korvactl set: " << texts.Text("ctl.set.give_values") << "\n";
        return kExitUsage;
    }
    const NewParameters parameters{*context.line.ip, *context.line.mask, *context.line.gateway};
    if (!ValuesAccepted(context, parameters))
        return kExitUsage;
    const language::Message question("ctl.set.question", {{"address", parameters.address},
                                                          {"mask", parameters.mask},
                                                          {"gateway", parameters.gateway},
                                                          {"device", context.targets.front().name}});
    if (const auto refused = RefusedConsent(context, question, {"ctl.set.no_terminal"}))
        return *refused;

    context.output.Begin(ReplyKind::kWrite);
    const auto link = OpenLink(context);
    if (!link)
        return kExitNotAllAnswered;
    const Request write{BuildWriteCommand(parameters.address, parameters.mask, parameters.gateway), ReplyKind::kWrite,
                        "ctl.request.write"};
    const std::string& device = context.targets.front().name;
    RequestConversation writing(context.targets.front(), context.output, write, context.line.retry);
    const bool writeRan = RunConversations(*link, {&writing});
    if (writing.RequestsSent() > 0)
        context.written.emplace_back(device, parameters);
    if (!writing.Succeeded()) {
        // A write reply tells no refusal: once the write has left, the device may have taken it.
        if (writing.RequestsSent() > 0 && !writing.Refused())
            context.io.err << "korvactl set: "
                           << tools::TerminalText(
                                  texts.Text({writeRan ? language::Key("ctl.set.unacknowledged")
                                                       : language::Key("ctl.set.unacknowledged_interrupted"),
                                              {{"device", device}}}))
                           << "\n";
        return kExitNotAllAnswered;
    }

    // A device keeps answering at its old address until it is reset, so silence at a new address is
    // expected there; the write itself has been acknowledged already.
    RecordFilter repliesOnly(context.output, RecordFilter::Keep::kReplies);
    const DeviceTarget newAddress = ResolveTarget(parameters.address);
    RequestConversation reading(newAddress, repliesOnly,
                                {BuildParameterRequest(true), ReplyKind::kParameters, "ctl.request.parameters"},
                                context.line.retry);
    if (!RunConversations(*link, {&reading})) {
        context.io.err << "korvactl set: "
                       << tools::TerminalText(texts.Text(
                              {"ctl.set.interrupted_reading", {{"address", newAddress.name}, {"device", device}}}))
                       << "\n";
        return kExitNotAllAnswered;
    }
    if (!reading.Succeeded())
        context.io.err << "korvactl set: "
                       << tools::TerminalText(texts.Text(
                              {"ctl.set.no_parameter_reply", {{"address", newAddress.name}, {"device", device}}}))
                       << "\n";
    return kExitAllAnswered;
}

}  // namespace korva::ctl
