#include "tools/korvactl/input_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace korva::ctl {
namespace {

// errno as text; fallback when the library left errno unset.
std::string Reason(int fallback) {
    return std::strerror(errno != 0 ? errno : fallback);
}

}  // namespace

std::optional<std::ifstream> OpenInputFile(const std::string& path, std::string& reason) {
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        reason = Reason(ENOENT);
        return std::nullopt;
    }
    struct stat status {};
    if (stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) {
        reason = std::strerror(EISDIR);
        return std::nullopt;
    }
    errno = 0;  // so that ReadError sees the reading's own error
    return in;
}

std::string ReadError(const std::ifstream& in) {
    return in.bad() ? Reason(EIO) : std::string();
}

}  // namespace korva::ctl
