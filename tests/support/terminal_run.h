#pragma once
// A program run with its standard error on a pseudo-terminal, as a person at a terminal runs it:
// standard input from /dev/null, standard output into a file, standard error the terminal's.
#include "tests/support/child_process.h"

#include <string>
#include <vector>

namespace korva::testing {

// Runs the program to its end (killed after a minute, to end a hang) and returns its exit status,
// standard output, and everything written on the terminal as err.
Finished RunWithTerminalErr(const std::string& program, const std::vector<std::string>& arguments);

}  // namespace korva::testing
