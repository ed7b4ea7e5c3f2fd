#pragma once
// What apply's survey makes of one row of a plan, from the devices' answers at its address and at its
// new address: nothing to do, a change to write, a conflict that stops the plan, or its device not found.
#include "language/message.h"
#include "protocol/messages.h"
#include "tools/korvactl/inputs/input_file.h"

#include <optional>
#include <string>

namespace korva::ctl {

enum class RowFinding {
    kAsPlanned,  // the row's device already holds the planned parameters
    kToChange,   // the row's device answers at its address; the write goes there
    kConflict,   // the new address is held by another device: the plan is refused
    kNotFound,   // the row's device answers at neither address
};

struct RowVerdict {
    RowFinding finding;
    language::Message detail;  // why, for a conflict or a device not found; what was not checked, for kAsPlanned
};

// now: the parameter reply at the row's address; there: the one at its new address (the same reply when
// the two addresses are one). With a MAC in the row, a device is the row's device only when its MAC is
// that one; without, the device at the row's address is taken for it, and a row found only at its new
// address is said to be so.
RowVerdict JudgeRow(const PlanRow& row, const std::optional<ParameterReading>& now,
                    const std::optional<ParameterReading>& there);

// The parameters a device reported, when they are the planned ones.
bool AsPlanned(const ParameterReading& reading, const PlanRow& row);

// "address 10.0.0.7, mask 255.255.255.0, gateway 10.0.0.1"
language::Message Described(const ParameterReading& reading);

}  // namespace korva::ctl
