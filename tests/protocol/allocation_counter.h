#pragma once
// Counts the heap allocations made by one piece of code: this executable replaces the global operator
// new, and counting is on only inside CountAllocations.
#include <cstddef>
#include <functional>

// The allocations action makes on this thread.
std::size_t CountAllocations(const std::function<void()>& action);
