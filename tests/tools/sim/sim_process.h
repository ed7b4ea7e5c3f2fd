#pragma once
// The korva-sim program as a child process, whose standard output and error are read line by line.
#include <string>
#include <vector>

#include "tests/support/child_process.h"

namespace korva::sim::testing {

class SimProcess : public korva::testing::ChildProcess {
public:
    explicit SimProcess(const std::vector<std::string>& arguments)
        : ChildProcess(KORVA_SIM_PATH, arguments, korva::testing::StandardOutput::kMerged) {}
};

}  // namespace korva::sim::testing
