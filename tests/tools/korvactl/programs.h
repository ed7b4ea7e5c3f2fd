#pragma once
// korvactl and korva-sim as programs: a simulated device on one loopback address, korvactl runs whose
// output is read back as JSON lines, and the exporter serving on a loopback address.
#include "tests/support/child_process.h"

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace korva::ctl::testing {

using korva::testing::ChildProcess;
using korva::testing::FindProgram;
using korva::testing::Finished;
using korva::testing::RunToEnd;
using korva::testing::StandardOutput;

class Simulator {
public:
    // Starts korva-sim --verbose on address (port 5010) and waits until it answers.
    Simulator(const std::string& address, const std::vector<std::string>& options = {});
    bool Ready() const { return ready_; }
    // Requests the simulator has received that start with the given command ("snd000", "rst").
    int RequestsSeen(const std::string& command) const;

private:
    ChildProcess process_;
    bool ready_ = false;
};

// korvactl exporter --listen ADDRESS:PORT plus the given arguments, running until the test signals it;
// runUnder: a program and its arguments that start it ({"/usr/bin/prlimit", "--nofile=1024"}).
class ExporterProcess {
public:
    ExporterProcess(const std::string& listen, const std::vector<std::string>& arguments = {},
                    const std::vector<std::string>& runUnder = {});
    bool Ready() const { return ready_; }
    ChildProcess& Process() { return process_; }

private:
    ChildProcess process_;
    bool ready_ = false;
};

Finished Korvactl(const std::vector<std::string>& arguments, StandardOutput output = StandardOutput::kCaptured);
std::vector<nlohmann::json> JsonLines(const std::string& out);

}  // namespace korva::ctl::testing
