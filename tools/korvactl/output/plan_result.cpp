#include "tools/korvactl/output/record_writers.h"

#include <nlohmann/json.hpp>

#include <iomanip>
#include <ostream>

namespace korva::ctl {

namespace {

std::string OutcomeText(PlanOutcome outcome) {
    switch (outcome) {
        case PlanOutcome::kUnchanged:
            return "unchanged";
        case PlanOutcome::kVerified:
            return "applied and verified";
        case PlanOutcome::kNotVerified:
            return "written, not verified";
        case PlanOutcome::kFailed:
            return "failed";
    }
    return {};
}

}  // namespace

std::string OutcomeKey(PlanOutcome outcome) {
    switch (outcome) {
        case PlanOutcome::kUnchanged:
            return "unchanged";
        case PlanOutcome::kVerified:
            return "applied";
        case PlanOutcome::kNotVerified:
            return "written_not_verified";
        case PlanOutcome::kFailed:
            return "failed";
    }
    return {};
}

void PlanResultWriter::Write(const PlanResult& result) {
    const PlanRow& row = result.row;
    if (!table_) {
        nlohmann::ordered_json json = {
            {"address", row.address}, {"new_address", row.newAddress}, {"mask", row.mask}, {"gateway", row.gateway}};
        if (!row.mac.empty())
            json["mac"] = row.mac;
        json["result"] = OutcomeKey(result.outcome);
        if (!result.detail.empty())
            json["detail"] = result.detail;
        out_ << json.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
    } else {
        const auto cells = [&](const std::string& a, const std::string& b, const std::string& c, const std::string& d,
                               const std::string& e, const std::string& f) {
            out_ << std::left << std::setw(15) << a << "  " << std::setw(15) << b << "  " << std::setw(15) << c << "  "
                 << std::setw(15) << d << "  ";
            if (f.empty())
                out_ << e << '\n';
            else
                out_ << std::setw(21) << e << "  " << f << '\n';
        };
        if (!headerShown_) {
            cells("ADDRESS", "NEW_ADDRESS", "MASK", "GATEWAY", "RESULT", "DETAIL");
            headerShown_ = true;
        }
        cells(row.address, row.newAddress, row.mask, row.gateway, OutcomeText(result.outcome), result.detail);
    }
    FlushOrThrow(out_);
}

}  // namespace korva::ctl
