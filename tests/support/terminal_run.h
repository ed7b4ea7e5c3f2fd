#pragma once
// A program run as a person at a terminal runs it: standard input and standard error on a
// pseudo-terminal that is its controlling terminal, so that Ctrl-C typed there sends it SIGINT as a
// shell's would; standard output into a file, or onto the terminal too.
#include "tests/support/child_process.h"

#include <signal.h>

#include <string>
#include <vector>

namespace korva::testing {

class TerminalSession {
public:
    TerminalSession(const std::string& program, const std::vector<std::string>& arguments,
                    bool outputOnTerminal = false);
    ~TerminalSession();  // kills the program if it still runs
    TerminalSession(const TerminalSession&) = delete;
    TerminalSession& operator=(const TerminalSession&) = delete;

    // Waits until the terminal has shown text (twenty seconds at most, a time-out only against a hang);
    // false when it never does.
    bool WaitFor(const std::string& text);
    // Keys as typed: "y\n" answers, "\x03" is Ctrl-C.
    void Type(const std::string& keys);
    void Signal(int signalNumber) const;
    // Waits for the end (killed after a minute, to end a hang): the exit status (128 + signal when
    // killed), standard output, and everything shown on the terminal as err.
    Finished Wait();

private:
    // Takes what the terminal shows until the wait is over; false once the program's side has closed.
    bool Read(int waitMilliseconds);

    pid_t pid_ = -1;
    int terminal_ = -1;
    std::string outPath_;
    std::string shown_;
};

// Runs the program to its end in a TerminalSession and returns its exit status, standard output, and
// everything written on the terminal as err.
Finished RunWithTerminalErr(const std::string& program, const std::vector<std::string>& arguments);

}  // namespace korva::testing
