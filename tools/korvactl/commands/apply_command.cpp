// `korvactl apply PLAN.csv`: commissions the devices of a plan. Every check runs before anything is
// written; then one question, the writes, the resets, and a reading of each device at its new address.
// The devices are asked and changed in waves, so a plan of any length keeps a bounded number of
// requests in flight and of conversations in memory.
#include "tools/korvactl/commands/apply_command.h"
#include "protocol/ipv4_range.h"
#include "protocol/messages.h"
#include "tools/common/terminal_text.h"
#include "tools/korvactl/commands/consent.h"
#include "tools/korvactl/commands/plan_row_verdict.h"
#include "tools/korvactl/conversations/conversation_runner.h"
#include "tools/korvactl/conversations/request_conversation.h"
#include "tools/korvactl/conversations/reset_conversation.h"
#include "tools/korvactl/inputs/input_file.h"
#include "tools/korvactl/output/record_writers.h"

#include <algorithm>
#include <map>
#include <ostream>
#include <set>
#include <span>

namespace korva::ctl {

namespace {

using language::Message;

const std::string kPrefix = "korvactl apply: ";
// Like a search's, a plan beyond this many devices is refused without --force.
constexpr std::size_t kLargestUnforced = 65'536;
// The most bytes a plan of that many devices takes without --force: a row is some 80 bytes, and comments
// and blanks may triple it.
constexpr std::uint64_t kLargestUnforcedBytes = kLargestUnforced * 256;
// Rows asked or changed at once: at most twice as many requests in flight.
constexpr std::size_t kWave = 4'096;

// "010.000.000.007" as "10.0.0.7": one device, however the plan writes its address.
std::string Canonical(const std::string& address) {
    return Ipv4Text(*ParseIpv4(address));
}

DeviceTarget Target(const std::string& address) {
    return {address, Canonical(address), {}};
}

std::optional<ParameterReading> Reading(const RequestConversation& conversation) {
    const auto& answer = conversation.Answer();
    if (!answer || !answer->complete)
        return std::nullopt;
    return ReadParameters(answer->plain.text, answer->plain.headerOffset, answer->plain.formatVersion);
}

using Readings = std::map<std::string, std::unique_ptr<RequestConversation>>;  // by canonical address asked

// One parameter request to each of the addresses, all at once. false when the user interrupted.
bool ReadParametersAt(Link& link, const std::vector<std::string>& addresses, const RetryPolicy& retry, bool manual,
                      Readings& readings) {
    const Request request{BuildParameterRequest(manual), ReplyKind::kParameters, "ctl.request.parameters"};
    static DiscardedRecords silence;  // the answers are read off the conversations
    std::vector<Conversation*> running;
    for (const std::string& address : addresses) {
        auto& reading = readings[address];
        if (reading)
            continue;
        reading = std::make_unique<RequestConversation>(Target(address), silence, request, retry);
        running.push_back(reading.get());
    }
    return RunConversations(link, running);
}

// A step's conversation, kept in a list or by address.
const Conversation& ConversationOf(const std::unique_ptr<RequestConversation>& conversation) {
    return *conversation;
}
const Conversation& ConversationOf(const Readings::value_type& byAddress) {
    return *byAddress.second;
}

// Conversations of a step that have ended and, of those, that got their answer.
template <typename Range>
ProgressCounts Ended(const Range& conversations) {
    ProgressCounts counts;
    for (const auto& element : conversations) {
        const Conversation& conversation = ConversationOf(element);
        if (conversation.Finished()) {
            ++counts.done;
            ++(conversation.Succeeded() ? counts.found : counts.failed);
        }
    }
    return counts;
}

// The fields a device reports otherwise than the row plans: what a write would change.
std::vector<FieldChange> Changes(const ParameterReading& now, const PlanRow& row) {
    std::vector<FieldChange> changes;
    const auto compare = [&](const char* field, const std::string& from, const std::string& to) {
        if (ParseIpv4(from) != ParseIpv4(to))
            changes.push_back({field, from, to});
    };
    compare("address", now.address, row.newAddress);
    compare("mask", now.mask, row.mask);
    compare("gateway", now.gateway, row.gateway);
    return changes;
}

std::optional<ParameterReading> ReadingAt(const Readings& readings, const std::string& address) {
    const auto found = readings.find(Canonical(address));
    return found == readings.end() ? std::nullopt : Reading(*found->second);
}

// What a conversation cut short by the user failed with.
const Message kInterrupted("ctl.failure.interrupted");

// Why a write that went out has no acknowledgement, for its result.
Message Unacknowledged(const Message& reason) {
    return {"ctl.row.unacknowledged",
            {{"reason", reason == kInterrupted ? Message("ctl.row.interrupted_after_write") : reason}}};
}

// The detail of a row written and not reset, with what puts the new parameters in force.
Message CompletedBy(const PlanRow& row, Message detail) {
    return {"ctl.row.completed_by", {{"detail", std::move(detail)}, {"address", row.address}}};
}

class PlanRun {
public:
    PlanRun(CommandContext& context, std::vector<PlanRow> rows, PlanResultWriter& writer)
        : context_(context), writer_(writer) {
        for (PlanRow& row : rows)
            results_.push_back({std::move(row), PlanOutcome::kFailed, {}, {}});
    }

    // Asks every device at its address and its new address and sorts the rows into those already as
    // planned, those to change, and those out of reach. Returns the plan's problems found this way;
    // nullopt when the user interrupted.
    std::optional<std::vector<std::string>> Survey(Link& link) {
        const language::Catalogue& texts = context_.io.texts;
        std::vector<std::vector<std::string>> waves;  // the addresses each wave asks
        std::size_t total = 0;
        for (std::size_t first = 0; first < results_.size(); first += kWave)
            total += waves.emplace_back(WaveAddresses(first)).size();
        std::vector<std::string> problems;
        std::size_t asked = 0;  // by the waves before
        for (std::size_t first = 0; first < results_.size(); first += kWave) {
            const std::span wave(results_.begin() + first, results_.begin() + std::min(first + kWave, results_.size()));
            const std::vector<std::string>& addresses = waves[first / kWave];
            Readings readings;
            context_.progress.Track("ctl.progress.asking", total, [asked, &readings] {
                ProgressCounts counts = Ended(readings);
                counts.done += asked;
                counts.failed = 0;  // silence at a new address is what a plan expects
                return counts;
            });
            asked += addresses.size();
            if (!ReadParametersAt(link, addresses, context_.line.retry, false, readings))
                return std::nullopt;
            for (PlanResult& result : wave)
                Sort(result, ReadingAt(readings, result.row.address), ReadingAt(readings, result.row.newAddress), texts,
                     problems);
        }
        context_.progress.End();
        return problems;
    }

    bool NothingToChange() const { return toChange_.empty(); }

    // Each device to change with the fields that change, and only those.
    void ShowChanges(std::ostream& out) const {
        const language::Catalogue& texts = context_.io.texts;
        context_.progress.End();
        out << kPrefix << texts.Text({"ctl.apply.to_change", {{"count", toChange_.size()}}}) << "\n";
        for (const PlanResult* result : toChange_)
            out << "  " << tools::TerminalText(result->row.address) << ": "
                << tools::TerminalText(ChangesText(result->changes, texts)) << "\n";
    }

    // A dry run's end: the devices found and to change are told so, and nothing is written.
    void LeaveUnwritten() {
        for (PlanResult* result : toChange_)
            result->outcome = PlanOutcome::kToChange;
    }

    // Writes, resets and reads back every device to change, a wave at a time; each row gets its outcome,
    // and the rows whose outcome is known are reported after each wave, so that an output that fails
    // stops the run before the next one. After an interruption the waves not begun are left unwritten.
    void Change(Link& link) {
        bool interrupted = false;
        for (std::size_t first = 0; first < toChange_.size(); first += kWave) {
            const std::size_t end = std::min(first + kWave, toChange_.size());
            const std::vector<PlanResult*> wave(toChange_.begin() + first, toChange_.begin() + end);
            if (interrupted) {
                for (PlanResult* result : wave)
                    result->detail = Message("ctl.row.not_written_turn");
            } else {
                interrupted = !ChangeWave(link, wave, first);
            }
            ReportUpTo(end < toChange_.size() ? static_cast<std::size_t>(toChange_[end] - results_.data())
                                              : results_.size());
        }
    }

    // The outcome of every row not reported yet, in the plan's order, then one line counting them all;
    // the exit status.
    int Finish() {
        const language::Catalogue& texts = context_.io.texts;
        ReportUpTo(results_.size());
        std::string summary;
        for (const auto& [outcome, count] : tally_)
            summary += (summary.empty() ? "" : ", ") + texts.Text({OutcomeCount(outcome), {{"count", count}}});
        if (context_.line.dryRun)
            summary = texts.Text({"ctl.apply.dry_run", {{"tally", summary}}});
        context_.io.err << kPrefix << summary << "\n";
        const bool anyFailed = tally_.contains(PlanOutcome::kNotVerified) || tally_.contains(PlanOutcome::kFailed);
        return anyFailed ? kExitNotAllAnswered : kExitAllAnswered;
    }

private:
    // Writes the outcomes of the rows before end not written yet, each flushed, and tells standard error
    // of those not applied.
    void ReportUpTo(std::size_t end) {
        context_.progress.End();
        for (; reported_ < end; ++reported_) {
            const PlanResult& result = results_[reported_];
            writer_.Write(result);
            ++tally_[result.outcome];
            if (result.outcome == PlanOutcome::kNotVerified || result.outcome == PlanOutcome::kFailed)
                context_.io.err << kPrefix
                                << tools::TerminalText(context_.io.texts.Text(
                                       {result.outcome == PlanOutcome::kFailed
                                            ? language::Key("ctl.apply.row_failed")
                                            : language::Key("ctl.apply.row_not_verified"),
                                        {{"address", result.row.address}, {"detail", result.detail}}}))
                                << "\n";
        }
    }

    // Each address the rows of the wave from first on are asked at, once.
    std::vector<std::string> WaveAddresses(std::size_t first) const {
        std::vector<std::string> addresses;
        std::set<std::string> named;
        for (std::size_t i = first; i < std::min(first + kWave, results_.size()); ++i) {
            for (const std::string* address : {&results_[i].row.address, &results_[i].row.newAddress}) {
                if (named.insert(Canonical(*address)).second)
                    addresses.push_back(Canonical(*address));
            }
        }
        return addresses;
    }

    void Sort(PlanResult& result, const std::optional<ParameterReading>& now,
              const std::optional<ParameterReading>& there, const language::Catalogue& texts,
              std::vector<std::string>& problems) {
        const RowVerdict verdict = JudgeRow(result.row, now, there);
        switch (verdict.finding) {
            case RowFinding::kAsPlanned:
                result.outcome = PlanOutcome::kUnchanged;
                result.detail = verdict.detail;
                break;
            case RowFinding::kToChange:
                result.changes = Changes(*now, result.row);
                toChange_.push_back(&result);
                break;
            case RowFinding::kConflict:
                problems.push_back(texts.Text(
                    {"ctl.plan.row",
                     {{"line", result.row.line}, {"address", result.row.address}, {"problem", verdict.detail}}}));
                break;
            case RowFinding::kNotFound:
                result.detail = verdict.detail;
                break;
        }
    }

    // false when the user interrupted.
    // first: the wave's place among the devices to change, for the progress line.
    bool ChangeWave(Link& link, const std::vector<PlanResult*>& wave, std::size_t first) {
        FailureReasons writeFailures;
        std::vector<std::unique_ptr<RequestConversation>> writes;
        for (PlanResult* result : wave) {
            const PlanRow& row = result->row;
            const Request write{BuildWriteCommand(row.newAddress, row.mask, row.gateway), ReplyKind::kWrite,
                                "ctl.request.write"};
            writes.push_back(
                std::make_unique<RequestConversation>(Target(row.address), writeFailures, write, context_.line.retry));
        }
        const auto track = [&](language::Key doing, const auto& conversations) {
            context_.progress.Track(doing, toChange_.size(), [first, &conversations] {
                ProgressCounts counts = Ended(conversations);
                counts.done += first;
                return counts;
            });
        };
        track("ctl.progress.writing", writes);
        const bool written = RunConversations(link, Pointers(writes));
        for (std::size_t i = 0; i < wave.size(); ++i) {
            const PlanRow& row = wave[i]->row;
            if (writes[i]->RequestsSent() > 0)
                context_.written.emplace_back(row.address, NewParameters{row.newAddress, row.mask, row.gateway});
        }

        // A write reply tells no refusal: once a write has left, the device may have taken it, whatever
        // became of its reply.
        std::vector<PlanResult*> resetting;
        std::vector<DeviceTarget> resetTargets;
        for (std::size_t i = 0; i < wave.size(); ++i) {
            PlanResult& result = *wave[i];
            const Message reason = writeFailures.Of(result.row.address, kInterrupted);
            if (writes[i]->RequestsSent() == 0 || writes[i]->Refused()) {
                result.detail = Message("ctl.row.not_written", {{"reason", reason}});
            } else if (!writes[i]->Succeeded()) {
                result.outcome = PlanOutcome::kNotVerified;
                result.detail = CompletedBy(result.row, Unacknowledged(reason));
            } else if (!written) {
                result.outcome = PlanOutcome::kNotVerified;
                result.detail = CompletedBy(result.row, Message("ctl.row.interrupted_before_reset"));
            } else {
                resetting.push_back(&result);
                resetTargets.push_back(Target(result.row.address));
            }
        }
        if (!written)
            return false;
        FailureReasons resetFailures;
        const ResetOutcome reset = ResetDevices(link, resetTargets, resetFailures, resetFailures, context_.line.retry,
                                                context_.line.resetInterval);

        std::vector<std::string> newAddresses;
        std::vector<PlanResult*> verifying;
        for (std::size_t i = 0; i < resetting.size(); ++i) {
            PlanResult& result = *resetting[i];
            result.outcome = PlanOutcome::kNotVerified;
            if (!reset.acknowledged[i]) {
                const Message reason = resetFailures.Of(result.row.address, kInterrupted);
                result.detail = CompletedBy(
                    result.row,
                    Message("ctl.row.written_reason",
                            {{"reason", reason == kInterrupted ? Message("ctl.row.interrupted_before_ack") : reason}}));
            } else {
                verifying.push_back(&result);
                newAddresses.push_back(Canonical(result.row.newAddress));
            }
        }
        Readings readBack;
        track("ctl.progress.reading_back", readBack);
        const bool readBackRan =
            !reset.interrupted && ReadParametersAt(link, newAddresses, context_.line.retry, true, readBack);
        for (PlanResult* result : verifying)
            Verify(*result, ReadingAt(readBack, result->row.newAddress), readBackRan);
        return readBackRan;
    }

    static void Verify(PlanResult& result, const std::optional<ParameterReading>& reading, bool readBackRan) {
        const PlanRow& row = result.row;
        if (!reading) {
            result.detail = Message(readBackRan ? language::Key("ctl.row.read_back_silent")
                                                : language::Key("ctl.row.read_back_interrupted"),
                                    {{"new_address", row.newAddress}});
        } else if (!row.mac.empty() && CanonicalMac(reading->mac) != CanonicalMac(row.mac)) {
            result.detail = Message("ctl.row.read_back_other_mac",
                                    {{"new_address", row.newAddress}, {"mac", reading->mac}, {"planned", row.mac}});
        } else if (AsPlanned(*reading, row)) {
            result.outcome = PlanOutcome::kVerified;
        } else {
            result.outcome = PlanOutcome::kFailed;
            result.detail = Message("ctl.row.read_back_otherwise",
                                    {{"new_address", row.newAddress}, {"device", Described(*reading)}});
        }
    }

    CommandContext& context_;
    PlanResultWriter& writer_;
    std::vector<PlanResult> results_;
    std::vector<PlanResult*> toChange_;
    std::size_t reported_ = 0;  // rows whose outcome has been written
    std::map<PlanOutcome, std::size_t> tally_;
};

// The rows of the plan file when it reads and checks clean; nullopt after the problems were printed.
std::optional<std::vector<PlanRow>> CheckedPlan(CommandContext& context) {
    const language::Catalogue& texts = context.io.texts;
    const auto tell = [&](const std::string& text) { context.io.err << kPrefix << tools::TerminalText(text) << "\n"; };
    if (context.line.names.size() != 1) {
        tell(texts.Text("ctl.apply.one_plan"));
        return std::nullopt;
    }
    const std::string& path = context.line.names.front();
    std::string reason;
    auto in = OpenInputFile(path, reason);
    if (in && !context.line.force) {
        // Refused by its size at once: reading a file of a gigabyte to learn that it holds more rows
        // than a plan may would take as long.
        const auto size = static_cast<std::uint64_t>(in->seekg(0, std::ios::end).tellg());
        in->seekg(0);
        if (size > kLargestUnforcedBytes) {
            tell(
                texts.Text({"ctl.apply.plan_too_big", {{"plan", path}, {"bytes", size}, {"limit", kLargestUnforced}}}));
            return std::nullopt;
        }
    }
    Plan plan;
    if (in) {
        plan = ReadPlan(*in, texts, context.line.force ? SIZE_MAX : kLargestUnforced);
        reason = ReadError(*in);
    }
    if (!reason.empty()) {
        tell(texts.Text({"ctl.apply.plan_unreadable", {{"plan", path}, {"reason", reason}}}));
        return std::nullopt;
    }
    if (plan.overLimit) {
        tell(texts.Text({"ctl.apply.too_many", {{"limit", kLargestUnforced}}}));
        return std::nullopt;
    }
    std::vector<std::string> problems = plan.problems;
    for (std::string& problem : CheckPlan(plan.rows, texts, plan.columns))
        problems.push_back(std::move(problem));
    if (plan.rows.empty() && problems.empty())
        problems.push_back(texts.Text({"ctl.apply.no_device", {{"plan", path}}}));
    for (const std::string& problem : problems)
        tell(problem);
    if (!problems.empty()) {
        tell(texts.Text("ctl.apply.nothing_sent"));
        return std::nullopt;
    }
    return plan.rows;
}

}  // namespace

int ApplyPlan(CommandContext& context, std::vector<PlanRow> rows) {
    PlanResultWriter writer(context.io.out, context.line.format);
    writer.Begin();
    const auto link = OpenLink(context);
    if (!link)
        return kExitNotAllAnswered;
    const language::Catalogue& texts = context.io.texts;
    PlanRun run(context, std::move(rows), writer);
    const auto problems = run.Survey(*link);
    if (!problems) {
        context.io.err << kPrefix << texts.Text("ctl.apply.survey_interrupted") << "\n";
        return kExitNotAllAnswered;
    }
    if (!problems->empty()) {
        for (const std::string& problem : *problems)
            context.io.err << kPrefix << tools::TerminalText(problem) << "\n";
        context.io.err << kPrefix << texts.Text("ctl.nothing_written") << "\n";
        return kExitUsage;
    }
    if (!run.NothingToChange()) {
        run.ShowChanges(context.io.err);
        if (context.line.dryRun) {
            run.LeaveUnwritten();
        } else {
            if (const auto refused = RefusedConsent(context, {"ctl.apply.question"}, {"ctl.apply.no_terminal"}))
                return *refused;
            run.Change(*link);
        }
    }
    return run.Finish();
}

int RunApplyCommand(CommandContext& context) {
    auto rows = CheckedPlan(context);
    if (!rows)
        return kExitUsage;
    return ApplyPlan(context, std::move(*rows));
}

}  // namespace korva::ctl
