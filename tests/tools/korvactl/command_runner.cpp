#include "tests/tools/korvactl/command_runner.h"

#include "tools/korvactl/network_command.h"

#include <sstream>

namespace korva::ctl::testing {

CommandRun RunCommand(ScriptedNetwork& network, const std::string& command, const std::vector<std::string>& arguments,
                      const TerminalInput& terminal) {
    std::ostringstream out;
    std::ostringstream err;
    std::istringstream typed(terminal.typed);
    CommandIo io{out, err, {terminal.interactive, typed, err}, [&network] { return network.OpenLink(); }};
    CommandRun run;
    run.exitStatus = RunNetworkCommand(command, arguments, io);
    run.out = out.str();
    run.err = err.str();
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.front() == '{')
            run.records.push_back(nlohmann::json::parse(line));
    }
    return run;
}

std::string StatusLine(int echo) {
    return "0100,SND,0,25,60,244,1,0,1," + std::to_string(echo);
}

std::string ParameterLine(const std::string& address) {
    return "0100,RPR,0," + address +
           ",255.255.255.0,10.0.0.1,0:26:171:1:2:255,8,9,10,11,12,13,14,1.52,16,17,14,05,03,07,22,16";
}

std::string ResetLine(bool acknowledged) {
    return std::string("0100,RST,0,") + (acknowledged ? "ACK" : "NAK");
}

std::string WriteLine() {
    return "0100,WPR,0";
}

bool Is(const std::string& request, const char* command) {
    return request.rfind(command, 0) == 0;
}

}  // namespace korva::ctl::testing
