#include "tests/support/unprivileged.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

namespace korva::testing {
namespace {

constexpr int kCouldNotRun = 2;

}  // namespace

bool RunningAsRoot() {
    return geteuid() == 0;
}

std::string RunUnprivileged(const std::function<std::string()>& job) {
    if (!RunningAsRoot())
        return job();
    int channel[2];
    if (pipe(channel) != 0)
        throw std::runtime_error("no pipe for the unprivileged child");
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        // Root's own groups go too: a group of root's would still open files of that group.
        if (setgroups(0, nullptr) != 0 || setgid(kUnprivilegedGroup) != 0 || setuid(kUnprivilegedUser) != 0)
            _exit(kCouldNotRun);
        const std::string text = job();
        _exit(write(channel[1], text.data(), text.size()) == static_cast<ssize_t>(text.size()) ? 0 : kCouldNotRun);
    }
    close(channel[1]);
    std::string text;
    char chunk[256];
    for (ssize_t got; child > 0 && (got = read(channel[0], chunk, sizeof chunk)) > 0;)
        text.append(chunk, static_cast<std::size_t>(got));
    close(channel[0]);
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("the unprivileged part did not run");
    return text;
}

AsUnprivilegedUser::AsUnprivilegedUser() {
    if (!RunningAsRoot())
        return;
    group_ = getegid();
    groups_.resize(static_cast<std::size_t>(getgroups(0, nullptr)));
    groups_.resize(static_cast<std::size_t>(getgroups(static_cast<int>(groups_.size()), groups_.data())));
    if (setgroups(0, nullptr) != 0 || setegid(kUnprivilegedGroup) != 0 || seteuid(kUnprivilegedUser) != 0)
        throw std::runtime_error("cannot act as the unprivileged user");
    switched_ = true;
}

AsUnprivilegedUser::~AsUnprivilegedUser() {
    // Root again first: only root may give the group and the supplementary groups back.
    if (switched_ && (seteuid(0) != 0 || setegid(group_) != 0 || setgroups(groups_.size(), groups_.data()) != 0))
        std::abort();
}

void GiveToUnprivilegedUser(const std::string& path) {
    if (RunningAsRoot() && lchown(path.c_str(), kUnprivilegedUser, kUnprivilegedGroup) != 0)
        throw std::runtime_error("cannot give " + path + " to the unprivileged user");
}

}  // namespace korva::testing
