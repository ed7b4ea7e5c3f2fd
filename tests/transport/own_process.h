#pragma once
// What this process holds right now: open descriptors (handles on Windows) and threads. The endpoint's
// tests use it to see a socket or a receiving thread that outlives its use. own_process_linux.cpp asks
// /proc/self, own_process_win32.cpp the system's snapshots.
#include <chrono>
#include <cstddef>
#include <set>

namespace korva::transport::testing {

std::size_t OpenDescriptorCount();
std::set<int> ThreadIds();

// A joined thread can stay listed for a moment after join() returns, until the system has released
// it: waits, for a bounded while, until none of threads is listed any more. Returns those still listed.
std::set<int> ThreadsStillListed(const std::set<int>& threads, std::chrono::seconds patience = std::chrono::seconds(10));

// Those of after that before does not hold.
std::set<int> Added(const std::set<int>& before, const std::set<int>& after);

}  // namespace korva::transport::testing
