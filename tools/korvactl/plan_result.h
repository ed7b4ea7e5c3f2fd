#pragma once
// What `apply` did to each device of a plan, as one JSON object a line or a table for people. Both flush
// each line and throw OutputError when it cannot be written.
#include "tools/korvactl/plan_file.h"

#include <iosfwd>
#include <string>

namespace korva::ctl {

enum class PlanOutcome {
    kUnchanged,    // already as planned; nothing was written
    kVerified,     // written, reset, and read back as planned at the new address
    kNotVerified,  // written, but the reset or the reading at the new address gave no answer
    kFailed,       // not written, or read back otherwise than planned
};

struct PlanResult {
    PlanRow row;
    PlanOutcome outcome = PlanOutcome::kFailed;
    std::string detail;  // why, for every outcome but kUnchanged and kVerified
};

// "unchanged", "applied", "written_not_verified", "failed"
std::string OutcomeKey(PlanOutcome outcome);

class PlanResultWriter {
public:
    PlanResultWriter(std::ostream& out, bool table) : out_(out), table_(table) {}
    void Write(const PlanResult& result);

private:
    std::ostream& out_;
    bool table_;
    bool headerShown_ = false;
};

}  // namespace korva::ctl
