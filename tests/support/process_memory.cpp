#include "tests/support/process_memory.h"

#include <fstream>
#include <string>

namespace korva::testing {

long ResidentKilobytes(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmRSS:"))
            return std::stol(line.substr(6));
    }
    return -1;
}

}  // namespace korva::testing
