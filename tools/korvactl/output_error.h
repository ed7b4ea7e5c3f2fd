#pragma once
// Output that cannot be written (a full disk, a closed standard output) ends the command with exit
// status 1: a script reading korvactl's output must not take silence for a result.
#include <iosfwd>
#include <stdexcept>

namespace korva::ctl {

// what(): the system's reason, e.g. "No space left on device".
class OutputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws OutputError when out has failed, now or at an earlier write.
void ThrowIfFailed(const std::ostream& out);
// Flushes out, then ThrowIfFailed.
void FlushOrThrow(std::ostream& out);

}  // namespace korva::ctl
