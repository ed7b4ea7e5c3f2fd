#include "tests/tools/korvactl/programs.h"

#include <sstream>

namespace korva::ctl::testing {
namespace {

std::vector<std::string> SimulatorArguments(const std::string& address, const std::vector<std::string>& options) {
    std::vector<std::string> arguments = {"--address", address, "--verbose"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    return arguments;
}

}  // namespace

Simulator::Simulator(const std::string& address, const std::vector<std::string>& options)
    : process_(KORVA_SIM_PATH, SimulatorArguments(address, options)) {
    ready_ = process_.WaitForOut("korva-sim answering on");
}

int Simulator::RequestsSeen(const std::string& command) const {
    // The verbose log has one line per datagram: "hh:mm:ss.mmm <- peer request", with the device's
    // address before the arrow when the simulator listens on several.
    std::istringstream log(process_.Out());
    int seen = 0;
    for (std::string line; std::getline(log, line);) {
        const std::size_t arrow = line.find(" <- ");
        if (arrow == std::string::npos)
            continue;
        const std::size_t request = line.find(' ', arrow + 4);
        if (request != std::string::npos && line.compare(request + 1, command.size(), command) == 0)
            ++seen;
    }
    return seen;
}

ExporterProcess::ExporterProcess(const std::string& listen, const std::vector<std::string>& arguments,
                                 const std::vector<std::string>& runUnder)
    : process_(runUnder.empty() ? KORVACTL_PATH : runUnder.front(), [&] {
          std::vector<std::string> all(runUnder.empty() ? runUnder.begin() : runUnder.begin() + 1, runUnder.end());
          if (!runUnder.empty())
              all.push_back(KORVACTL_PATH);
          all.insert(all.end(), {"exporter", "--listen", listen});
          all.insert(all.end(), arguments.begin(), arguments.end());
          return all;
      }()) {
    ready_ = process_.WaitForOut("korvactl exporter: serving");
}

Finished Korvactl(const std::vector<std::string>& arguments, StandardOutput output) {
    return RunToEnd(KORVACTL_PATH, arguments, output);
}

std::vector<nlohmann::json> JsonLines(const std::string& out) {
    std::vector<nlohmann::json> records;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);)
        records.push_back(nlohmann::json::parse(line));
    return records;
}

}  // namespace korva::ctl::testing
