#include "tests/tools/korvactl/command_runner.h"

#include "protocol/reply_writer.h"
#include "tools/korvactl/program/run_command.h"

#include <algorithm>
#include <sstream>

namespace korva::ctl::testing {
namespace {

constexpr ScrambleForm kPlain{0, 0, 0};

}  // namespace

CommandRun RunCommand(ScriptedNetwork& network, const std::string& command, const std::vector<std::string>& arguments,
                      const TerminalInput& terminal, const language::Catalogue& texts) {
    std::ostringstream out;
    std::ostringstream err;
    std::istringstream typed(terminal.typed);
    const auto ctrlC = [](std::string&) { return tools::LineRead::kInterrupted; };
    CommandIo io{
        out,
        err,
        {terminal.interactive, typed, err, terminal.ctrlC ? ctrlC : std::function<tools::LineRead(std::string&)>()},
        [&network] { return network.OpenLink(); },
        false,
        {},
        false,
        texts};
    CommandRun run;
    run.exitStatus = RunCommand(command, arguments, io);
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
    StatusReading status;
    status.temperature = 25;
    status.humidity = 60;
    status.batteryTenths = 244;
    status.presence = true;
    status.resetState = true;
    status.link1 = true;
    status.echo = echo;
    return StatusReplyLine(status, false, kPlain);
}

std::string ParameterLine(const std::string& address) {
    return ParameterReplyLine({address, "255.255.255.0", "10.0.0.1", "00-1A-AB-01-02-FF", "1.52 07/03/16 14:05"},
                              kPlain);
}

std::string ResetLine(bool acknowledged) {
    return ResetReplyLine(acknowledged, false, kPlain);
}

std::string WriteLine() {
    return WriteReplyLine(false, kPlain);
}

std::string ThreeDigitOctets(const std::string& address) {
    std::string padded;
    std::istringstream octets(address);
    for (std::string octet; std::getline(octets, octet, '.');)
        padded += (padded.empty() ? "" : ".") + std::string(3 - std::min<std::size_t>(octet.size(), 3), '0') + octet;
    return padded;
}

bool Is(const std::string& request, const char* command) {
    return request.rfind(command, 0) == 0;
}

}  // namespace korva::ctl::testing
