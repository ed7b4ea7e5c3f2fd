#pragma once
// A commissioning plan: one device a line, "address,new_address,mask,gateway". A header line naming
// those columns may come first; "#" starts a comment, and blank lines are skipped.
#include <iosfwd>
#include <string>
#include <vector>

namespace korva::ctl {

struct PlanRow {
    int line = 0;         // in the file, counted from 1
    std::string address;  // where the device answers now
    std::string newAddress;
    std::string mask;
    std::string gateway;
};

struct Plan {
    std::vector<PlanRow> rows;
    std::vector<std::string> problems;  // lines that are no row, each named by its number
};

Plan ReadPlan(std::istream& in);

// Problems with the plan as a whole, each a sentence naming the line: every row's values checked as
// `set` checks them, a device planned twice, two devices given one new address, and a new address
// that another row's device holds now. The network is not asked; apply does that next.
std::vector<std::string> CheckPlan(const std::vector<PlanRow>& rows);

}  // namespace korva::ctl
