#pragma once
#include "tools/korvactl/commands/command_context.h"
#include "tools/korvactl/inputs/input_file.h"

#include <vector>

namespace korva::ctl {

// `korvactl apply`: context.line.names holds the plan file.
int RunApplyCommand(CommandContext& context);
// apply's work on a plan read and checked already: the survey, the question, the changes, the results.
int ApplyPlan(CommandContext& context, std::vector<PlanRow> rows);

}  // namespace korva::ctl
