#pragma once
#include <chrono>

namespace korva::ctl {

// When a reply came or a command gave up, as the records print it.
using WallTime = std::chrono::system_clock::time_point;

}  // namespace korva::ctl
