#pragma once
// The reset of several devices, as `reset` and `apply` do it: each one's echo number from a live-data
// request, then the reset command until acknowledged.
#include "tools/korvactl/device_target.h"
#include "tools/korvactl/link.h"
#include "tools/korvactl/record.h"
#include "tools/korvactl/request_conversation.h"

#include <chrono>
#include <vector>

namespace korva::ctl {

struct ResetOutcome {
    std::vector<bool> acknowledged;  // one per target, in their order
    bool interrupted = false;
};

// statusFailures hears of the devices that gave no status reply; results gets each acknowledgement, each
// reset failure, and the devices the user's interruption left unreset.
ResetOutcome ResetDevices(Link& link, const std::vector<DeviceTarget>& targets, RecordSink& statusFailures,
                          RecordSink& results, const RetryPolicy& retry, std::chrono::milliseconds spacing);

}  // namespace korva::ctl
