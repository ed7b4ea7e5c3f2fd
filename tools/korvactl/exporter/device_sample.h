#pragma once
// What a scrape learns from one device.
#include "protocol/messages.h"

#include <chrono>
#include <optional>
#include <string>

namespace korva::ctl {

using WallTime = std::chrono::system_clock::time_point;

// The live data and the parameters of one device, each from the first reply of its kind within the
// scrape. A reply cut short gives only the fields it reached: statusReach and parameterReach are the
// last field numbers it gave (as reply_field counts them), and the metrics leave out every field past
// them rather than show a zero the device never sent.
struct DeviceSample {
    std::string name;  // as it was asked for
    std::optional<StatusReading> status;
    int statusReach = 0;
    bool statusComplete = false;
    std::optional<ParameterReading> parameters;
    int parameterReach = 0;
    bool parametersComplete = false;
    std::optional<WallTime> lastReply;  // the latest reply of this scrape, or one remembered from before
    bool restartPending = false;

    bool Answered() const { return status || parameters; }
    // A reply came that stops before fields its reading needs.
    bool Incomplete() const { return (status && !statusComplete) || (parameters && !parametersComplete); }
};

}  // namespace korva::ctl
