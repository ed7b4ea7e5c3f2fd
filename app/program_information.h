#pragma once
// What the console answers on its command line without opening a window: --help and --version.
#include <ostream>
#include <string>
#include <vector>

namespace korva::app {

// Prints the usage for --help or -h, or the version for --version, when one of them is among arguments
// (the first one found wins); returns whether it printed. Every other argument is left to Qt.
bool PrintRequestedInformation(const std::vector<std::string>& arguments, std::ostream& out);

}  // namespace korva::app
