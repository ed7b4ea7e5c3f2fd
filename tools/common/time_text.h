#pragma once
// Moments as korvactl and korva-sim print them, to the millisecond: ISO 8601 in UTC where scripts read
// them, the local time of day where people do.
#include <chrono>
#include <string>

namespace korva::tools {

enum class TimeStyle {
    kIsoUtc,      // "2026-12-07T08:01:18.123Z"
    kLocalClock,  // "09:01:18.123"
};

std::string TimeText(std::chrono::system_clock::time_point time, TimeStyle style);

}  // namespace korva::tools
