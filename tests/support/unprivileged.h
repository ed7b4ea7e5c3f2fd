#pragma once
// Runs part of a test as a user whom permission bits stop. Tests may run as root (CI does), whom a
// read-only file or folder does not stop, so such a case runs as nobody in a child process there.
#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace korva::testing {

// The user and group the unprivileged part runs as when the tests run as root. Two different numbers,
// so that a user given where a group belongs, or the other way round, shows.
inline constexpr uid_t kUnprivilegedUser = 65534;
inline constexpr gid_t kUnprivilegedGroup = 65533;

bool RunningAsRoot();

// Runs job and returns the text it gave: directly when this process is not root, otherwise as
// kUnprivilegedUser in a child process, whose text comes back through a pipe. Throws
// std::runtime_error when the child could not become that user or did not finish.
std::string RunUnprivileged(const std::function<std::string()>& job);

// For its lifetime, this process's effective user and group are the unprivileged ones, without
// supplementary groups (when root; otherwise it changes nothing): for code that asks the system with
// the effective user what it may do, and builds something this process keeps, which a child could not
// hand back. Every thread takes the change; the destructor gives root back.
class AsUnprivilegedUser {
public:
    AsUnprivilegedUser();
    ~AsUnprivilegedUser();
    AsUnprivilegedUser(const AsUnprivilegedUser&) = delete;
    AsUnprivilegedUser& operator=(const AsUnprivilegedUser&) = delete;

private:
    bool switched_ = false;
    gid_t group_ = 0;
    std::vector<gid_t> groups_;
};

// Hands path to the user and group the unprivileged part runs as (when root), so that only its mode bits
// decide.
void GiveToUnprivilegedUser(const std::string& path);

}  // namespace korva::testing
