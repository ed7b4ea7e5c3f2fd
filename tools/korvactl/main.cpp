// korvactl: the console's work from a script.
#include "tools/korvactl/decode_command.h"

#include <iostream>
#include <string>
#include <vector>

namespace {

void PrintUsage(std::ostream& out)
{
    out << "usage: korvactl decode [--text] [FILE...]\n"
           "  decode   reads captured datagrams (hex, one a line; --text: the reply text) and prints\n"
           "           what the device said as one JSON object a line\n";
}

}  // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.empty() || arguments[0] == "--help" || arguments[0] == "-h") {
        PrintUsage(arguments.empty() ? std::cerr : std::cout);
        return arguments.empty() ? 2 : 0;
    }
    const std::string& command = arguments[0];
    const std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
    if (command == "decode")
        return korva::ctl::RunDecode(rest, std::cin, std::cout, std::cerr);
    std::cerr << "korvactl: unknown command '" << command << "'\n";
    PrintUsage(std::cerr);
    return 2;
}
