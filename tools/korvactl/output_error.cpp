#include "tools/korvactl/output_error.h"

#include <cerrno>
#include <cstring>
#include <ostream>

namespace korva::ctl {

void ThrowIfFailed(const std::ostream& out) {
    // Checked right after each write, so errno still holds the failed write's reason.
    if (!out)
        throw OutputError(errno != 0 ? std::strerror(errno) : "write error");
}

void FlushOrThrow(std::ostream& out) {
    out.flush();
    ThrowIfFailed(out);
}

}  // namespace korva::ctl
