// `korvactl apply PLAN.csv`: commissions the devices of a plan. Every check runs before anything is
// written; then one question, the writes, the resets, and a reading of each device at its new address.
#include "protocol/ipv4_range.h"
#include "protocol/messages.h"
#include "tools/korvactl/commands/command_context.h"
#include "tools/korvactl/conversations/conversation.h"
#include "tools/korvactl/inputs/input_file.h"
#include "tools/korvactl/output/record_writers.h"

#include <map>
#include <ostream>
#include <sstream>

namespace korva::ctl {

namespace {

const std::string kPrefix = "korvactl apply: ";

// "010.000.000.007" as "10.0.0.7": one device, however the plan writes its address.
std::string Canonical(const std::string& address) {
    return Ipv4Text(*ParseIpv4(address));
}

DeviceTarget Target(const std::string& address) {
    return {address, Canonical(address), {}};
}

// The parameters a device reported, when they are the planned ones.
bool AsPlanned(const ParameterReading& reading, const PlanRow& row) {
    return ParseIpv4(reading.address) == ParseIpv4(row.newAddress) && ParseIpv4(reading.mask) == ParseIpv4(row.mask) &&
           ParseIpv4(reading.gateway) == ParseIpv4(row.gateway);
}

std::optional<ParameterReading> Reading(const RequestConversation& conversation) {
    const auto& answer = conversation.Answer();
    if (!answer)
        return std::nullopt;
    return ReadParameters(answer->plain.text, answer->plain.headerOffset, answer->plain.formatVersion);
}

std::string Described(const ParameterReading& reading) {
    return "address " + reading.address + ", mask " + reading.mask + ", gateway " + reading.gateway;
}

// One parameter request to each of the addresses, all at once. false when the user interrupted.
bool ReadParametersAt(Link& link, const std::vector<std::string>& addresses, const RetryPolicy& retry, bool manual,
                      std::map<std::string, std::unique_ptr<RequestConversation>>& readings, RecordSink& failures) {
    const Request request{BuildParameterRequest(manual), ReplyKind::kParameters, "parameter request"};
    std::vector<Conversation*> running;
    for (const std::string& address : addresses) {
        auto& reading = readings[address];
        if (reading)
            continue;
        reading = std::make_unique<RequestConversation>(Target(address), failures, request, retry);
        running.push_back(reading.get());
    }
    return RunConversations(link, running);
}

class PlanRun {
public:
    PlanRun(CommandContext& context, std::vector<PlanRow> rows) : context_(context) {
        for (PlanRow& row : rows)
            results_.push_back({std::move(row), PlanOutcome::kFailed, {}});
    }

    // Asks every device at its address and its new address and sorts the rows into those already as
    // planned, those to change, and those out of reach. Returns the plan's problems found this way.
    std::vector<std::string> Survey(Link& link) {
        std::vector<std::string> addresses;
        for (const PlanResult& result : results_) {
            addresses.push_back(Canonical(result.row.address));
            addresses.push_back(Canonical(result.row.newAddress));
        }
        DiscardedRecords silence;
        if (!ReadParametersAt(link, addresses, context_.line.retry, false, survey_, silence))
            return {"interrupted while asking the devices of the plan; nothing written"};
        std::vector<std::string> problems;
        for (PlanResult& result : results_) {
            const PlanRow& row = result.row;
            const auto now = Reading(*survey_[Canonical(row.address)]);
            const auto there = Reading(*survey_[Canonical(row.newAddress)]);
            const bool moves = ParseIpv4(row.address) != ParseIpv4(row.newAddress);
            if (now && !moves && AsPlanned(*now, row)) {
                result.outcome = PlanOutcome::kUnchanged;
            } else if (!now && there && AsPlanned(*there, row)) {
                // Moved by an earlier run of this plan: silent where it was, as planned where it went.
                result.outcome = PlanOutcome::kUnchanged;
            } else if (moves && there) {
                problems.push_back("line " + std::to_string(row.line) + " (" + row.address + "): new address " +
                                   row.newAddress + " is in use: a device answers there now (" + Described(*there) +
                                   ")");
            } else if (now) {
                toChange_.push_back(&result);
                current_[&result] = *now;
            } else {
                result.detail = "no reply at " + row.address + (moves ? " nor at " + row.newAddress : "");
            }
        }
        return problems;
    }

    bool NothingToChange() const { return toChange_.empty(); }

    void ShowChanges(std::ostream& out) const {
        out << kPrefix << toChange_.size() << (toChange_.size() == 1 ? " device" : " devices") << " to change:\n";
        for (const PlanResult* result : toChange_) {
            const ParameterReading& now = current_.at(result);
            out << "  " << result->row.address << ": address " << now.address << " -> " << result->row.newAddress
                << ", mask " << now.mask << " -> " << result->row.mask << ", gateway " << now.gateway << " -> "
                << result->row.gateway << "\n";
        }
    }

    // Writes, resets and reads back every device to change; each row gets its outcome.
    void Change(Link& link) {
        FailureReasons writeFailures;
        std::vector<std::unique_ptr<RequestConversation>> writes;
        for (PlanResult* result : toChange_) {
            const PlanRow& row = result->row;
            const Request write{BuildWriteCommand(row.newAddress, row.mask, row.gateway), ReplyKind::kWrite,
                                "write command"};
            writes.push_back(
                std::make_unique<RequestConversation>(Target(row.address), writeFailures, write, context_.line.retry));
        }
        const bool written = RunConversations(link, Pointers(writes));

        std::vector<PlanResult*> resetting;
        std::vector<DeviceTarget> resetTargets;
        for (std::size_t i = 0; i < toChange_.size(); ++i) {
            PlanResult& result = *toChange_[i];
            if (!writes[i]->Succeeded()) {
                result.detail = "not written: " + writeFailures.Of(result.row.address, "interrupted");
            } else if (!written) {
                result.outcome = PlanOutcome::kNotVerified;
                result.detail = "written; interrupted before the reset";
            } else {
                resetting.push_back(&result);
                resetTargets.push_back(Target(result.row.address));
            }
        }
        FailureReasons resetFailures;
        const ResetOutcome reset = ResetDevices(link, resetTargets, resetFailures, resetFailures, context_.line.retry,
                                                context_.line.resetInterval);

        std::vector<std::string> newAddresses;
        std::vector<PlanResult*> verifying;
        for (std::size_t i = 0; i < resetting.size(); ++i) {
            PlanResult& result = *resetting[i];
            if (!reset.acknowledged[i]) {
                result.outcome = PlanOutcome::kNotVerified;
                result.detail = "written; " + resetFailures.Of(result.row.address, "reset interrupted");
            } else {
                verifying.push_back(&result);
                newAddresses.push_back(Canonical(result.row.newAddress));
            }
        }
        if (reset.interrupted)
            newAddresses.clear();
        std::map<std::string, std::unique_ptr<RequestConversation>> readBack;
        DiscardedRecords silence;
        ReadParametersAt(link, newAddresses, context_.line.retry, true, readBack, silence);
        for (PlanResult* result : verifying) {
            const auto found = readBack.find(Canonical(result->row.newAddress));
            const auto reading = found == readBack.end() ? std::nullopt : Reading(*found->second);
            if (!reading) {
                result->outcome = PlanOutcome::kNotVerified;
                result->detail = "written and reset; no reply at " + result->row.newAddress;
            } else if (AsPlanned(*reading, result->row)) {
                result->outcome = PlanOutcome::kVerified;
            } else {
                result->detail = "written and reset; " + result->row.newAddress + " reports " + Described(*reading);
            }
        }
    }

    // Every row's outcome, in the plan's order; the exit status.
    int Report(PlanResultWriter& writer) const {
        bool allAsPlanned = true;
        for (const PlanResult& result : results_) {
            writer.Write(result);
            if (result.outcome != PlanOutcome::kUnchanged && result.outcome != PlanOutcome::kVerified) {
                allAsPlanned = false;
                context_.io.err << kPrefix << result.row.address << ": " << OutcomeKey(result.outcome) << ": "
                                << result.detail << "\n";
            }
        }
        return allAsPlanned ? kExitAllAnswered : kExitNotAllAnswered;
    }

private:
    CommandContext& context_;
    std::vector<PlanResult> results_;
    std::map<std::string, std::unique_ptr<RequestConversation>> survey_;  // by canonical address asked
    std::vector<PlanResult*> toChange_;
    std::map<const PlanResult*, ParameterReading> current_;
};

// The rows of the plan file when it reads and checks clean; nullopt after the problems were printed.
std::optional<std::vector<PlanRow>> CheckedPlan(CommandContext& context) {
    if (context.line.names.size() != 1) {
        context.io.err << kPrefix << "name one plan file (address,new_address,mask,gateway a line)\n";
        return std::nullopt;
    }
    const std::string& path = context.line.names.front();
    std::string reason;
    auto in = OpenInputFile(path, reason);
    Plan plan;
    if (in) {
        plan = ReadPlan(*in);
        reason = ReadError(*in);
    }
    if (!reason.empty()) {
        context.io.err << kPrefix << "cannot read the plan " << path << ": " << reason << "\n";
        return std::nullopt;
    }
    std::vector<std::string> problems = plan.problems;
    for (std::string& problem : CheckPlan(plan.rows))
        problems.push_back(std::move(problem));
    if (plan.rows.empty() && problems.empty())
        problems.push_back("the plan " + path + " names no device");
    for (const std::string& problem : problems)
        context.io.err << kPrefix << problem << "\n";
    if (!problems.empty()) {
        context.io.err << kPrefix << "nothing sent\n";
        return std::nullopt;
    }
    return plan.rows;
}

// The user's yes, unless --yes gave it beforehand. Returns the exit status to end with, or nullopt.
std::optional<int> RefusedConsent(CommandContext& context) {
    if (context.line.yes)
        return std::nullopt;
    switch (AskConsent("Write these changes?", context.io.terminal)) {
        case Consent::kGiven:
            return std::nullopt;
        case Consent::kDeclined:
            context.io.err << kPrefix << "nothing written\n";
            return kExitNotAllAnswered;
        case Consent::kNoTerminal:
            break;
    }
    context.io.err << kPrefix << "standard input is not a terminal to confirm on; add --yes to write without asking\n";
    return kExitUsage;
}

}  // namespace

int RunApplyCommand(CommandContext& context) {
    auto rows = CheckedPlan(context);
    if (!rows)
        return kExitUsage;
    const auto link = OpenLink(context);
    if (!link)
        return kExitNotAllAnswered;
    PlanRun run(context, std::move(*rows));
    if (const std::vector<std::string> problems = run.Survey(*link); !problems.empty()) {
        for (const std::string& problem : problems)
            context.io.err << kPrefix << problem << "\n";
        context.io.err << kPrefix << "nothing written\n";
        return kExitUsage;
    }
    if (!run.NothingToChange()) {
        run.ShowChanges(context.io.err);
        if (const auto refused = RefusedConsent(context))
            return *refused;
        run.Change(*link);
    }
    PlanResultWriter writer(context.io.out, context.line.table);
    return run.Report(writer);
}

}  // namespace korva::ctl
