#include "app/settings/file_prefix.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace korva::app {

std::string ReadFilePrefix(const std::string& path, std::size_t limit, bool& complete) {
    complete = true;
    std::string bytes;
    // Non-blocking, so that a FIFO at the path cannot hang the program at start.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        complete = errno == ENOENT || errno == ENOTDIR;
        return bytes;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        complete = false;
        return bytes;
    }
    char buffer[65536];
    while (bytes.size() < limit) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            complete = false;
            break;
        }
        if (got == 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    if (bytes.size() >= limit) {
        char probe;
        if (bytes.size() > limit || read(fd, &probe, 1) != 0)
            complete = false;
        bytes.resize(std::min(bytes.size(), limit));
    }
    close(fd);
    return bytes;
}

}  // namespace korva::app
