#pragma once
#include "protocol/messages.h"
#include "tools/korvactl/conversations/link.h"
#include "tools/korvactl/inputs/device_target.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace korva::ctl {

// What a scrape learns from each device: its live data and its parameters, both asked at once and
// each request repeated within the scrape's time budget, so one lost datagram does not make the device
// look down.
struct DeviceSample {
    std::string name;  // as it was asked for
    std::optional<StatusReading> status;
    std::optional<ParameterReading> parameters;
    std::optional<WallTime> lastReply;  // the latest reply of this scrape, or one remembered from before
    bool restartPending = false;

    bool Answered() const { return status || parameters; }
};

// Returns one sample per target, in the targets' order; an interruption ends the survey early with
// what has come so far.
std::vector<DeviceSample> SurveyDevices(Link& link, const std::vector<DeviceTarget>& targets,
                                        std::chrono::milliseconds budget);

}  // namespace korva::ctl
