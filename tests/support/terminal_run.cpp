#include "tests/support/terminal_run.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace korva::testing {

namespace {

constexpr auto kHang = std::chrono::seconds(60);

}  // namespace

Finished RunWithTerminalErr(const std::string& program, const std::vector<std::string>& arguments) {
    const std::string outPath = "/tmp/korva_terminal_run_" + std::to_string(getpid()) + ".out";
    int terminal = -1;
    int side = -1;
    if (openpty(&terminal, &side, nullptr, nullptr, nullptr) != 0)
        throw std::runtime_error("cannot open a pseudo-terminal");
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        const int in = open("/dev/null", O_RDONLY);
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in < 0 || out < 0 || dup2(in, STDIN_FILENO) < 0 || dup2(out, STDOUT_FILENO) < 0 ||
            dup2(side, STDERR_FILENO) < 0)
            _exit(127);
        close(terminal);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(side);
    Finished finished;
    const auto giveUp = std::chrono::steady_clock::now() + kHang;
    // The terminal's side closes when the program ends: reading then fails with EIO.
    for (;;) {
        pollfd ready{terminal, POLLIN, 0};
        if (std::chrono::steady_clock::now() > giveUp) {
            kill(pid, SIGKILL);
            break;
        }
        if (poll(&ready, 1, 100) <= 0)
            continue;
        char buffer[4096];
        const ssize_t got = read(terminal, buffer, sizeof buffer);
        if (got <= 0)
            break;
        finished.err.append(buffer, static_cast<std::size_t>(got));
    }
    close(terminal);
    int status = 0;
    waitpid(pid, &status, 0);
    finished.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::ifstream out(outPath, std::ios::binary);
    std::ostringstream text;
    text << out.rdbuf();
    finished.out = text.str();
    std::remove(outPath.c_str());
    return finished;
}

}  // namespace korva::testing
