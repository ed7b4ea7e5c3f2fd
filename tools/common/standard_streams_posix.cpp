#include "tools/common/standard_streams.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace korva::tools {

void PrepareStandardStreams() {
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            // open() takes the lowest free descriptor, which is fd: the ones below it are open by now.
            [[maybe_unused]] const int held = open("/dev/null", O_RDONLY);
        }
    }
}

bool StandardInputIsTerminal() {
    return isatty(STDIN_FILENO) == 1;
}

bool StandardOutputIsTerminal() {
    return isatty(STDOUT_FILENO) == 1;
}

bool StandardErrorIsTerminal() {
    return isatty(STDERR_FILENO) == 1;
}

}  // namespace korva::tools
