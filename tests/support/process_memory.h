#pragma once
// What the system says a running process holds in memory.
#include <sys/types.h>

namespace korva::testing {

// The process's resident set (VmRSS of /proc/PID/status) in KiB; -1 when it cannot be read.
long ResidentKilobytes(pid_t pid);

}  // namespace korva::testing
