#pragma once
// CLOCK_MONOTONIC in nanoseconds: one clock for the whole machine, so a time taken in one process can
// be compared with a time taken in another.
#include <cstdint>
#include <ctime>

namespace korva::bench {

inline std::int64_t MonotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

}  // namespace korva::bench
