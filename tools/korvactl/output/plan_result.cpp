#include "tools/common/terminal_text.h"
#include "tools/korvactl/output/record_writers.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <iomanip>
#include <iterator>
#include <ostream>

namespace korva::ctl {

namespace {

// Each outcome's word in every output, and how standard error counts it.
struct OutcomeWords {
    PlanOutcome outcome;
    const char* key;
    language::Key count;
};
constexpr OutcomeWords kOutcomeWords[] = {
    {PlanOutcome::kUnchanged, "unchanged", "ctl.apply.tally.unchanged"},
    {PlanOutcome::kToChange, "would_change", "ctl.apply.tally.would_change"},
    {PlanOutcome::kVerified, "applied", "ctl.apply.tally.applied"},
    {PlanOutcome::kNotVerified, "written_not_verified", "ctl.apply.tally.written_not_verified"},
    {PlanOutcome::kFailed, "failed", "ctl.apply.tally.failed"},
};

const OutcomeWords& WordsOf(PlanOutcome outcome) {
    return *std::find_if(std::begin(kOutcomeWords), std::end(kOutcomeWords),
                         [outcome](const OutcomeWords& words) { return words.outcome == outcome; });
}

}  // namespace

std::string OutcomeKey(PlanOutcome outcome) {
    return WordsOf(outcome).key;
}

language::Key OutcomeCount(PlanOutcome outcome) {
    return WordsOf(outcome).count;
}

std::string ChangesText(const std::vector<FieldChange>& changes, const language::Catalogue& texts) {
    std::string text;
    for (const FieldChange& change : changes) {
        const language::Key field = change.field == "address" ? language::Key("ctl.parameter.address")
                                    : change.field == "mask"  ? language::Key("ctl.parameter.mask")
                                                              : language::Key("ctl.parameter.gateway");
        text += (text.empty() ? "" : ", ") +
                texts.Text({"ctl.apply.change", {{"field", field}, {"from", change.from}, {"to", change.to}}});
    }
    return text;
}

std::string CsvLine(const std::vector<std::string>& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += ',';
        const std::string field = tools::TerminalText(fields[i]);
        if (field.find_first_of(",\"") == std::string::npos) {
            line += field;
            continue;
        }
        line += '"';
        for (const char c : field)
            line += c == '"' ? std::string("\"\"") : std::string(1, c);
        line += '"';
    }
    return line + '\n';
}

namespace {

// The addresses as wide as a dotted quad, then the result and its detail, when there is one.
void TableLine(std::ostream& out, const std::vector<std::string>& cells) {
    for (std::size_t i = 0; i < 4; ++i)
        out << std::left << std::setw(15) << cells[i] << "  ";
    if (cells[5].empty())
        out << cells[4] << '\n';
    else
        out << std::setw(20) << cells[4] << "  " << cells[5] << '\n';
}

}  // namespace

void PlanResultWriter::Begin() {
    if (format_ == OutputFormat::kCsv)
        out_ << CsvLine({"address", "new_address", "mask", "gateway", "mac", "result", "detail"});
    else if (format_ == OutputFormat::kTable)
        TableLine(out_, {"ADDRESS", "NEW_ADDRESS", "MASK", "GATEWAY", "RESULT", "DETAIL"});
    FlushOrThrow(out_);
}

void PlanResultWriter::Write(const PlanResult& result) {
    const PlanRow& row = result.row;
    // A change to come is told by its fields; every other outcome by why, when there is a why. In English,
    // as every output is.
    const language::Catalogue& english = language::English();
    const std::string why = english.Text(result.detail);
    const std::string detail = result.outcome == PlanOutcome::kToChange ? ChangesText(result.changes, english) : why;
    switch (format_) {
        case OutputFormat::kJson: {
            nlohmann::ordered_json json = {{"address", row.address},
                                           {"new_address", row.newAddress},
                                           {"mask", row.mask},
                                           {"gateway", row.gateway}};
            if (!row.mac.empty())
                json["mac"] = row.mac;
            json["result"] = OutcomeKey(result.outcome);
            if (!result.changes.empty()) {
                nlohmann::ordered_json changes = nlohmann::ordered_json::object();
                for (const FieldChange& change : result.changes)
                    changes[change.field] = {{"from", change.from}, {"to", change.to}};
                json["changes"] = changes;
            }
            if (!why.empty())
                json["detail"] = why;
            out_ << json.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
            break;
        }
        case OutputFormat::kCsv:
            out_ << CsvLine(
                {row.address, row.newAddress, row.mask, row.gateway, row.mac, OutcomeKey(result.outcome), detail});
            break;
        case OutputFormat::kTable: {
            using tools::TerminalText;
            TableLine(out_, {TerminalText(row.address), TerminalText(row.newAddress), TerminalText(row.mask),
                             TerminalText(row.gateway), OutcomeKey(result.outcome), TerminalText(detail)});
            break;
        }
    }
    FlushOrThrow(out_);
}

}  // namespace korva::ctl
