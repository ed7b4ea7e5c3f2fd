#include "own_process.h"

#include <dirent.h>

#include <cstdlib>

namespace korva::transport::testing {
namespace {

// The numeric entries of a /proc/self folder (the listing's own descriptor included, when it is fd).
std::set<int> NumericEntries(const char* folder) {
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

}  // namespace

std::size_t OpenDescriptorCount() {
    return NumericEntries("/proc/self/fd").size();
}

std::set<int> ThreadIds() {
    return NumericEntries("/proc/self/task");
}

}  // namespace korva::transport::testing
