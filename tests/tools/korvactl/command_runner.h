#pragma once
// Runs a korvactl network command in the test's process against a scripted network, and collects
// what it printed.
#include "language/catalogue.h"
#include "tests/tools/korvactl/scripted_network.h"

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace korva::ctl::testing {

struct CommandRun {
    int exitStatus = -1;
    std::string out;
    std::string err;
    std::vector<nlohmann::json> records;  // out as JSON lines (empty for --table)
};

struct TerminalInput {
    bool interactive = false;
    std::string typed;   // what the user types at the prompt
    bool ctrlC = false;  // instead, the user presses Ctrl-C at the prompt
};

// texts: the user's language.
CommandRun RunCommand(ScriptedNetwork& network, const std::string& command, const std::vector<std::string>& arguments,
                      const TerminalInput& terminal = {}, const language::Catalogue& texts = language::English());

// Reply lines of a plain-form device.
std::string StatusLine(int echo);
std::string ParameterLine(const std::string& address);
std::string ResetLine(bool acknowledged);
std::string WriteLine();

// The address with three digits in every octet ("127.000.012.001"), as the write request and the
// console's boxes spell it.
std::string ThreeDigitOctets(const std::string& address);

// True when the request starts with the given command ("snd", "rPr", "rst", "wPr").
bool Is(const std::string& request, const char* command);

}  // namespace korva::ctl::testing
