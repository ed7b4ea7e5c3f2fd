#pragma once
// A program run by a test: standard input from /dev/null (so never a terminal), standard output and
// error into files the test reads (both into one, in the order written, or standard output on a full
// device, or closed), ended with SIGKILL if the test leaves it running. Files, not pipes: a program
// that says more than a test reads never blocks on a full pipe. child_process_posix.cpp starts it with
// posix_spawn, child_process_win32.cpp with CreateProcessW (where there is no full device, and every
// signal ends the program as SIGKILL does).
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korva::testing {

// kMerged: standard error goes where standard output goes, so Out() holds both and Err() nothing.
// kClosedPipe: a pipe nobody reads any more, as `korvactl ... | head -1` leaves once head has ended; the
// child starts with SIGPIPE at its default, whatever the test's own disposition.
enum class StandardOutput { kCaptured, kMerged, kFullDevice, kClosed, kClosedPipe };

class ChildProcess {
public:
    ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                 StandardOutput output = StandardOutput::kCaptured);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    std::string Out() const;
    std::string Err() const;
    // Waits (a few seconds at most) until standard output holds text; false when it never does.
    bool WaitForOut(const std::string& text) const;
    // The next line of standard output not read yet, without its newline; nullopt when the program ends
    // or a few seconds pass without one.
    std::optional<std::string> ReadLine();
    void Signal(int signalNumber) const;
    pid_t Pid() const { return pid_; }
    // The exit status (128 + signal when killed), or nullopt when it runs on past the patience (none:
    // whether it has ended now).
    std::optional<int> Wait(std::chrono::seconds patience = std::chrono::seconds(30));

private:
    bool Ended() const;

    pid_t pid_ = -1;
    int pipeWriteEnd_ = -1;  // POSIX, kClosedPipe: the parent's copy, closed once the child has its own
    std::intptr_t handle_ = 0;  // Windows: the process's handle, which keeps its exit status
    std::string outPath_;
    std::string errPath_;
    std::size_t lineReadUpTo_ = 0;  // in Out()
    std::optional<int> exitStatus_;
};

struct Finished {
    int exitStatus = -1;
    std::string out;
    std::string err;
};
// The program's path found on PATH as the shell would, or empty when it is not installed.
std::string FindProgram(const std::string& name);

Finished RunToEnd(const std::string& program, const std::vector<std::string>& arguments,
                  StandardOutput output = StandardOutput::kCaptured);

}  // namespace korva::testing
