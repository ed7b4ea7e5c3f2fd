#include "tests/support/terminal_run.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace korva::testing {

namespace {

constexpr auto kShownPatience = std::chrono::seconds(20);
constexpr auto kHang = std::chrono::seconds(60);

std::atomic<int> sessions{0};

}  // namespace

TerminalSession::TerminalSession(const std::string& program, const std::vector<std::string>& arguments,
                                 bool outputOnTerminal)
    : outPath_("/tmp/korva_terminal_run_" + std::to_string(getpid()) + "_" + std::to_string(++sessions) + ".out") {
    int side = -1;
    if (openpty(&terminal_, &side, nullptr, nullptr, nullptr) != 0)
        throw std::runtime_error("cannot open a pseudo-terminal");
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
        // A session of its own with the terminal as its controlling one: the terminal's Ctrl-C reaches it.
        const int out = open(outPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (setsid() < 0 || ioctl(side, TIOCSCTTY, 0) != 0 || out < 0 || dup2(side, STDIN_FILENO) < 0 ||
            dup2(outputOnTerminal ? side : out, STDOUT_FILENO) < 0 || dup2(side, STDERR_FILENO) < 0)
            _exit(127);
        close(terminal_);
        close(side);
        close(out);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(side);
}

TerminalSession::~TerminalSession() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    close(terminal_);
    std::remove(outPath_.c_str());
}

bool TerminalSession::Read(int waitMilliseconds) {
    pollfd ready{terminal_, POLLIN, 0};
    if (poll(&ready, 1, waitMilliseconds) <= 0)
        return true;
    char buffer[4096];
    const ssize_t got = read(terminal_, buffer, sizeof buffer);
    if (got <= 0)
        return false;  // EIO: every descriptor of the program's side is closed
    shown_.append(buffer, static_cast<std::size_t>(got));
    return true;
}

bool TerminalSession::WaitFor(const std::string& text) {
    const auto giveUp = std::chrono::steady_clock::now() + kShownPatience;
    while (shown_.find(text) == std::string::npos) {
        if (std::chrono::steady_clock::now() > giveUp || !Read(100))
            return shown_.find(text) != std::string::npos;
    }
    return true;
}

void TerminalSession::Type(const std::string& keys) {
    [[maybe_unused]] const ssize_t written = write(terminal_, keys.data(), keys.size());
}

void TerminalSession::Signal(int signalNumber) const {
    kill(pid_, signalNumber);
}

Finished TerminalSession::Wait() {
    const auto giveUp = std::chrono::steady_clock::now() + kHang;
    while (Read(100)) {
        if (std::chrono::steady_clock::now() > giveUp) {
            kill(pid_, SIGKILL);
            break;
        }
    }
    Finished finished;
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    finished.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::ifstream out(outPath_, std::ios::binary);
    std::ostringstream text;
    text << out.rdbuf();
    finished.out = text.str();
    finished.err = shown_;
    return finished;
}

Finished RunWithTerminalErr(const std::string& program, const std::vector<std::string>& arguments) {
    return TerminalSession(program, arguments).Wait();
}

}  // namespace korva::testing
