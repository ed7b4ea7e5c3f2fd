#pragma once
// What this process holds right now, as the kernel lists it under /proc/self: open descriptors and
// threads. The endpoint's tests use it to see a socket or a receiving thread that outlives its use.
#include <dirent.h>

#include <chrono>
#include <cstdlib>
#include <set>
#include <string>
#include <thread>

namespace korva::transport::testing {

// The numeric entries of a /proc/self folder (the listing's own descriptor included, when it is fd).
inline std::set<int> NumericEntries(const char* folder) {
    std::set<int> numbers;
    DIR* listing = opendir(folder);
    if (listing == nullptr)
        return numbers;
    while (const dirent* entry = readdir(listing)) {
        char* end = nullptr;
        const long number = std::strtol(entry->d_name, &end, 10);
        if (end != entry->d_name && *end == '\0')
            numbers.insert(static_cast<int>(number));
    }
    closedir(listing);
    return numbers;
}

inline std::size_t OpenDescriptorCount() {
    return NumericEntries("/proc/self/fd").size();
}

inline std::set<int> ThreadIds() {
    return NumericEntries("/proc/self/task");
}

// A joined thread can stay listed for a moment after join() returns, until the kernel has released
// it: waits, for a bounded while, until none of threads is listed any more. Returns those still listed.
inline std::set<int> ThreadsStillListed(const std::set<int>& threads,
                                        std::chrono::seconds patience = std::chrono::seconds(10)) {
    const auto giveUp = std::chrono::steady_clock::now() + patience;
    for (;;) {
        std::set<int> listed;
        const std::set<int> now = ThreadIds();
        for (int thread : threads) {
            if (now.count(thread) != 0)
                listed.insert(thread);
        }
        if (listed.empty() || std::chrono::steady_clock::now() > giveUp)
            return listed;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// Those of after that before does not hold.
inline std::set<int> Added(const std::set<int>& before, const std::set<int>& after) {
    std::set<int> added;
    for (int entry : after) {
        if (before.count(entry) == 0)
            added.insert(entry);
    }
    return added;
}

}  // namespace korva::transport::testing
