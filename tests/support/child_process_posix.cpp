#include "tests/support/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace korva::testing {
namespace {

std::string TempPath(const char* kind) {
    static int counter = 0;
    return "/tmp/korvactl_test_" + std::to_string(getpid()) + "_" + std::to_string(++counter) + "." + kind;
}

void OpenClosedPipe(posix_spawn_file_actions_t& actions, int& writeEnd) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0)
        throw std::runtime_error("cannot create a pipe");
    close(ends[0]);  // nobody will read: the child's first write meets a closed pipe
    writeEnd = ends[1];
    posix_spawn_file_actions_adddup2(&actions, writeEnd, STDOUT_FILENO);
}

}  // namespace

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments, StandardOutput output)
    : outPath_(TempPath("out")), errPath_(TempPath("err")) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (output == StandardOutput::kCaptured || output == StandardOutput::kMerged)
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    else if (output == StandardOutput::kFullDevice)
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/full", O_WRONLY, 0);
    else if (output == StandardOutput::kClosedPipe)
        OpenClosedPipe(actions, pipeWriteEnd_);
    else
        posix_spawn_file_actions_addclose(&actions, STDOUT_FILENO);
    // One open file for both when merged: they share its offset, so lines land in the order written.
    if (output == StandardOutput::kMerged)
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<std::string> all = {program};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : all)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    const int failed = posix_spawn(&pid_, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (pipeWriteEnd_ >= 0)
        close(pipeWriteEnd_);
    if (failed != 0)
        throw std::runtime_error("cannot start " + program);
}

ChildProcess::~ChildProcess() {
    if (!exitStatus_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    std::remove(outPath_.c_str());
    std::remove(errPath_.c_str());
}

bool ChildProcess::Ended() const {
    if (exitStatus_)
        return true;
    // WNOWAIT leaves the ended child to Wait(), which reads its status.
    siginfo_t info{};
    return waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid_;
}

void ChildProcess::Signal(int signalNumber) const {
    kill(pid_, signalNumber);
}

std::optional<int> ChildProcess::Wait(std::chrono::seconds patience) {
    // Asked at least once, so that no patience at all still tells whether the program has ended.
    for (const auto giveUp = std::chrono::steady_clock::now() + patience; !exitStatus_;) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_)
            exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        else if (std::chrono::steady_clock::now() >= giveUp)
            break;
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return exitStatus_;
}

std::string FindProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path ? path : "/usr/bin:/usr/sbin");
    for (std::string folder; std::getline(folders, folder, ':');) {
        const std::filesystem::path candidate = std::filesystem::path(folder) / name;
        if (access(candidate.c_str(), X_OK) == 0)
            return candidate.string();
    }
    return {};
}

}  // namespace korva::testing
