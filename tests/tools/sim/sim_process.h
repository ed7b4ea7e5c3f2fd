#pragma once
// Runs the korva-sim program as a child process and reads what it prints.
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace korva::sim::testing {

class SimProcess {
public:
    explicit SimProcess(std::vector<std::string> arguments) {
        int out[2];
        if (pipe(out) != 0)
            throw std::runtime_error("pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDERR_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        arguments.insert(arguments.begin(), KORVA_SIM_PATH);
        std::vector<char*> argv;
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        const int failed = posix_spawn(&pid_, KORVA_SIM_PATH, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        output_ = out[0];
        if (failed != 0)
            throw std::runtime_error("cannot start korva-sim");
    }

    ~SimProcess() {
        if (!exitStatus_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        close(output_);
    }

    // The next line printed, or nullopt when none comes within a few seconds or output ended.
    std::optional<std::string> ReadLine() {
        while (true) {
            if (const std::size_t end = buffered_.find('\n'); end != std::string::npos) {
                std::string line = buffered_.substr(0, end);
                buffered_.erase(0, end + 1);
                return line;
            }
            pollfd readable{output_, POLLIN, 0};
            if (poll(&readable, 1, 5000) <= 0)
                return std::nullopt;
            char chunk[512];
            const ssize_t length = read(output_, chunk, sizeof chunk);
            if (length <= 0)
                return std::nullopt;
            buffered_.append(chunk, static_cast<std::size_t>(length));
        }
    }

    void Signal(int signalNumber) { kill(pid_, signalNumber); }

    // The exit status once the process has ended; nullopt when it is still running after a while.
    std::optional<int> WaitForExit() {
        for (int i = 0; i < 500 && !exitStatus_; ++i) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        }
        return exitStatus_;
    }

private:
    pid_t pid_ = -1;
    int output_ = -1;
    std::string buffered_;
    std::optional<int> exitStatus_;
};

}  // namespace korva::sim::testing
